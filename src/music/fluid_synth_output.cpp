#include "fluid_synth_output.h"

#include "sequencer.h"
#include "soft_synth.h"

#include <filesystem>

namespace music {

FluidSynthOutput::FluidSynthOutput(std::string soundFontPath)
    : soundFontPath_(std::move(soundFontPath))
{
    loading_ = std::async(std::launch::async, [path = soundFontPath_] {
        auto synth = std::make_unique<SoftSynth>(path);
        // Choosing the piece's instruments now loads their samples, so no
        // loading happens once the piece has started.
        for (const MidiMessage& message : PieceStartMessages())
            synth->Send(message);
        return synth;
    });
}

FluidSynthOutput::~FluidSynthOutput()
{
    Close();
    if (loading_.valid())
        loading_.wait();
}

SoftSynth* FluidSynthOutput::LoadedSynth()
{
    if (!synth_ && loading_.valid())
        synth_ = loading_.get();
    return synth_ && synth_->IsLoaded() ? synth_.get() : nullptr;
}

bool FluidSynthOutput::DeviceAvailable()
{
    std::error_code error;
    return std::filesystem::exists(soundFontPath_, error);
}

bool FluidSynthOutput::Open()
{
    if (open_)
        return false;
    SoftSynth* synth = LoadedSynth();
    if (!synth || !synth->StartAudio())
        return false;
    open_ = true;
    return true;
}

void FluidSynthOutput::Send(const MidiMessage& message)
{
    if (open_)
        synth_->Send(message);
}

void FluidSynthOutput::SilenceAll()
{
    if (open_)
        synth_->SilenceAll();
}

void FluidSynthOutput::Close()
{
    if (!open_)
        return;
    synth_->StopAudio();
    synth_->SilenceAll();
    synth_->RestoreEffects();
    open_ = false;
}

} // namespace music
