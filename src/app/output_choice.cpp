#include "output_choice.h"

#include <optional>

namespace {

// Forwards to RtMidiOutput, which is final and knows nothing of this interface.
class RtMidiExternalOutput final : public ExternalOutput
{
public:
    RtMidiExternalOutput(music::ExternalMidiApi api, std::optional<std::string> port)
        : output_(api, std::move(port))
    {
    }

    bool DeviceAvailable() override { return output_.DeviceAvailable(); }
    bool Open() override { return output_.Open(); }
    void Send(const music::MidiMessage& message) override { output_.Send(message); }
    void SilenceAll() override { output_.SilenceAll(); }
    void Close() override { output_.Close(); }
    std::string SoundSource() const override { return output_.PortName().value_or(music::VirtualPortName); }
    bool TakePortLost() override { return output_.TakePortLost(); }

private:
    music::RtMidiOutput output_;
};

} // namespace

std::vector<OutputChoice> AvailableOutputs()
{
    std::vector<OutputChoice> outputs{BuiltInOutput, OwnPortOutput};
    for (const auto api : {music::ExternalMidiApi::AlsaSequencer, music::ExternalMidiApi::Jack}) {
        for (const std::string& port : music::ListMidiInputPorts(api).value_or(std::vector<std::string>{}))
            outputs.push_back({OutputChoice::Kind::Port, api, port});
    }
    return outputs;
}

std::unique_ptr<ExternalOutput> MakeRtMidiOutput(const OutputChoice& choice)
{
    switch (choice.kind) {
    case OutputChoice::Kind::BuiltIn:
        break;
    case OutputChoice::Kind::OwnPort:
        return std::make_unique<RtMidiExternalOutput>(choice.api, std::nullopt);
    case OutputChoice::Kind::Port:
        return std::make_unique<RtMidiExternalOutput>(choice.api, choice.port);
    }
    return nullptr;
}
