#pragma once

#include "midi_message.h"

#include <cstdint>
#include <memory>
#include <string>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

namespace music {

class PeakLimiter;

inline constexpr int SynthSampleRate = 44100;

// A General MIDI software synthesizer: loaded once with its SoundFont, then
// played by MIDI messages, either through the desktop's sound output or
// rendered offline.
class SoftSynth
{
public:
    explicit SoftSynth(const std::string& soundFontPath);
    ~SoftSynth();
    SoftSynth(const SoftSynth&) = delete;
    SoftSynth& operator=(const SoftSynth&) = delete;

    bool IsStarted() const { return synth_ != nullptr; }
    bool IsLoaded() const { return soundFont_ >= 0; }
    // Whether a note on the channel is heard: a SoundFont can load and still
    // hold samples that make no sound. Renders offline, so only while no
    // audio runs; leaves nothing sounding.
    bool CanSound(std::uint8_t channel);
    int SampleRate() const;

    // Note-on, note-off and program change are played; other messages are ignored.
    void Send(const MidiMessage& message);
    // Every held note is let go and rings out as its instrument does.
    void ReleaseAll();
    // Every voice on every channel stops at once, and the effects with them.
    void SilenceAll();
    // Brings the effects back after SilenceAll; only while no audio runs.
    void RestoreEffects();

    // Starts sound output on the desktop's sound server, else ALSA, through
    // a peak limiter, so that loud chords never clip.
    bool StartAudio();
    void StopAudio();

    // Offline rendering, for a machine with no sound device.
    void Render(float* left, float* right, int frames);
    // The same into one buffer, left and right samples in turn.
    void RenderInterleaved(float* stereo, int frames);

private:
    // What the sound driver calls for each period of sound.
    static int PlayPeriod(void* self, int frames, int effectCount, float* effects[], int outCount, float* out[]);

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_audio_driver_t* driver_ = nullptr;
    int soundFont_ = -1;
    // Used only by the driver's thread while the driver runs.
    std::unique_ptr<PeakLimiter> liveLimiter_;
};

} // namespace music
