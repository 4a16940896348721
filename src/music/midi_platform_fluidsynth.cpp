#include "midi_platform.h"
#include "soft_synth.h"

#include <filesystem>
#include <future>
#include <memory>
#include <mutex>

namespace {

// The SoundFont takes the better part of a second to load, so it is loaded
// once, in the background from start-up on; opening the output only starts
// the sound driver.
struct FluidOutput
{
    std::mutex mutex;
    std::future<std::unique_ptr<SoftSynth>> loading;
    std::unique_ptr<SoftSynth> synth;
    bool open = false;
    midi_platform::Handle openHandle = 0;
    midi_platform::Handle lastHandle = 0;
};

FluidOutput& Output()
{
    static FluidOutput output;
    return output;
}

void StartLoading(FluidOutput& output)
{
    if (output.synth || output.loading.valid())
        return;
    output.loading = std::async(std::launch::async, [] {
        return std::make_unique<SoftSynth>(DefaultSoundFontPath);
    });
}

SoftSynth* LoadedSynth(FluidOutput& output)
{
    if (!output.synth) {
        StartLoading(output);
        output.synth = output.loading.get();
    }
    return output.synth->IsLoaded() ? output.synth.get() : nullptr;
}

SoftSynth* OpenSynth(midi_platform::Handle handle)
{
    auto& output = Output();
    return output.open && handle == output.openHandle ? output.synth.get() : nullptr;
}

} // namespace

namespace midi_platform {

std::uint32_t GetNumDevs()
{
    std::error_code error;
    return std::filesystem::exists(DefaultSoundFontPath, error) ? 1 : 0;
}

Result Open(Handle* handle, std::uint32_t device)
{
    auto& output = Output();
    std::lock_guard lock(output.mutex);
    if (output.open || (device != DefaultDevice && device != 0))
        return Refused;
    SoftSynth* synth = LoadedSynth(output);
    if (!synth || !synth->StartAudio())
        return Refused;
    output.open = true;
    output.openHandle = ++output.lastHandle;
    *handle = output.openHandle;
    return Ok;
}

Result ShortMsg(Handle handle, std::uint32_t word)
{
    SoftSynth* synth = OpenSynth(handle);
    if (!synth)
        return Refused;
    synth->Send(word);
    return Ok;
}

Result Reset(Handle handle)
{
    SoftSynth* synth = OpenSynth(handle);
    if (!synth)
        return Refused;
    synth->SilenceAll();
    return Ok;
}

Result Close(Handle handle)
{
    auto& output = Output();
    std::lock_guard lock(output.mutex);
    SoftSynth* synth = OpenSynth(handle);
    if (!synth)
        return Refused;
    synth->StopAudio();
    synth->SilenceAll();
    synth->RestoreEffects();
    output.open = false;
    return Ok;
}

void Prepare()
{
    auto& output = Output();
    std::lock_guard lock(output.mutex);
    StartLoading(output);
}

} // namespace midi_platform
