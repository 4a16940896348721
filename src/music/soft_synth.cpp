#include "soft_synth.h"

#include "peak_limiter.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace music {
namespace {

void SilentAlsaError(const char*, int, const char*, int, const char*, ...)
{
}

// Both libraries would otherwise print to the terminal whenever a sound
// driver is missing, which is routine on a machine without a sound card.
void QuietLibraries()
{
    static const bool quieted = [] {
        snd_lib_error_set_handler(SilentAlsaError);
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
        return true;
    }();
    (void)quieted;
}

// Pulse first: PipeWire desktops serve it too, and it shares the card with
// other programs; ALSA when no sound server runs.
constexpr std::array<const char*, 2> AudioDrivers{"pulseaudio", "alsa"};
constexpr int StereoChannels = 2;

} // namespace

SoftSynth::SoftSynth(const std::string& soundFontPath)
{
    QuietLibraries();
    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", SynthSampleRate);
    fluid_settings_setnum(settings_, "synth.gain", 0.5);
    // Small periods keep a note within a few tens of milliseconds of its message.
    fluid_settings_setint(settings_, "audio.period-size", 256);
    fluid_settings_setint(settings_, "audio.periods", 2);
    // Samples load with the presets that use them: a piece needs two of the
    // SoundFont's instruments, not all of its samples in memory.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    synth_ = new_fluid_synth(settings_);
    if (synth_)
        soundFont_ = fluid_synth_sfload(synth_, soundFontPath.c_str(), 1);
    if (soundFont_ == FLUID_FAILED)
        soundFont_ = -1;
}

// Instead of its own output, the driver plays what passed the limiter.
int SoftSynth::PlayPeriod(void* self, int frames, int, float*[], int outCount, float* out[])
{
    auto& synth = *static_cast<SoftSynth*>(self);
    if (outCount < StereoChannels)
        return FLUID_FAILED;
    // The synthesizer adds to what it is given, and drivers may hand over
    // something other than silence.
    for (int channel = 0; channel < StereoChannels; ++channel)
        std::fill(out[channel], out[channel] + frames, 0.0f);
    // Reverb and chorus mixed into the same two buffers, as the plain driver would.
    float* effects[StereoChannels] = {out[0], out[1]};
    const int result = fluid_synth_process(synth.synth_, frames, StereoChannels, effects, StereoChannels, out);
    synth.liveLimiter_->ProcessPlanar(out, frames);
    return result;
}

SoftSynth::~SoftSynth()
{
    StopAudio();
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
}

int SoftSynth::SampleRate() const
{
    double rate = SynthSampleRate;
    fluid_settings_getnum(settings_, "synth.sample-rate", &rate);
    return static_cast<int>(rate);
}

void SoftSynth::Send(const MidiMessage& message)
{
    if (!synth_)
        return;
    const int channel = message.Channel();
    const int data1 = message.data1 & 0x7F;
    const int data2 = message.data2 & 0x7F;
    switch (message.Kind()) {
    case NoteOnKind:
        fluid_synth_noteon(synth_, channel, data1, data2);
        break;
    case NoteOffKind:
        fluid_synth_noteoff(synth_, channel, data1);
        break;
    case ProgramChangeKind:
        fluid_synth_program_change(synth_, channel, data1);
        break;
    default:
        break;
    }
}

void SoftSynth::ReleaseAll()
{
    if (synth_)
        fluid_synth_all_notes_off(synth_, -1);
}

void SoftSynth::SilenceAll()
{
    if (!synth_)
        return;
    fluid_synth_all_sounds_off(synth_, -1);
    // Stopped voices would still ring on in the reverb and chorus for a while.
    fluid_synth_reverb_on(synth_, -1, 0);
    fluid_synth_chorus_on(synth_, -1, 0);
}

void SoftSynth::RestoreEffects()
{
    if (!synth_ || driver_)
        return;
    // The effects keep their old tail while switched off; render it away
    // offline so the next piece does not begin with an echo of the last.
    fluid_synth_reverb_on(synth_, -1, 1);
    fluid_synth_chorus_on(synth_, -1, 1);
    std::vector<float> left(4096);
    std::vector<float> right(4096);
    for (int rendered = 0; rendered < 2 * SampleRate(); rendered += 4096)
        Render(left.data(), right.data(), 4096);
}

bool SoftSynth::CanSound(std::uint8_t channel)
{
    if (!IsLoaded() || driver_)
        return false;
    // A tenth of a second past the attack of a loud C5 is plenty for any
    // instrument that sounds at all.
    constexpr int Frames = 4410;
    constexpr float Audible = 1e-4f;
    std::vector<float> left(Frames);
    std::vector<float> right(Frames);
    Send(NoteOn(72, 127, channel));
    float peak = 0.0f;
    for (int block = 0; block < 2; ++block) {
        Render(left.data(), right.data(), Frames);
        for (int i = 0; i < Frames; ++i)
            peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    }
    Send(NoteOff(72, channel));
    SilenceAll();
    RestoreEffects();
    return peak > Audible;
}

bool SoftSynth::StartAudio()
{
    if (driver_)
        return true;
    if (!synth_)
        return false;
    liveLimiter_ = std::make_unique<PeakLimiter>(SampleRate(), StereoChannels);
    for (const char* name : AudioDrivers) {
        fluid_settings_setstr(settings_, "audio.driver", name);
        driver_ = new_fluid_audio_driver2(settings_, &SoftSynth::PlayPeriod, this);
        if (driver_)
            return true;
    }
    return false;
}

void SoftSynth::StopAudio()
{
    if (driver_) {
        delete_fluid_audio_driver(driver_);
        driver_ = nullptr;
    }
}

void SoftSynth::Render(float* left, float* right, int frames)
{
    if (synth_)
        fluid_synth_write_float(synth_, frames, left, 0, 1, right, 0, 1);
}

void SoftSynth::RenderInterleaved(float* stereo, int frames)
{
    if (synth_)
        fluid_synth_write_float(synth_, frames, stereo, 0, 2, stereo, 1, 2);
}

} // namespace music
