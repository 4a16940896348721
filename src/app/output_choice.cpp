#include "output_choice.h"

#include <optional>

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
        return std::make_unique<music::RtMidiOutput>(choice.api, std::nullopt);
    case OutputChoice::Kind::Port:
        return std::make_unique<music::RtMidiOutput>(choice.api, choice.port);
    }
    return nullptr;
}
