#pragma once

#include <cstdint>
#include <string>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

inline constexpr const char* DefaultSoundFontPath = "/usr/share/sounds/sf2/default-GM.sf2";

// A General MIDI software synthesizer: loaded once with its SoundFont, then
// played by MIDI short-message words, either through the desktop's sound
// output or rendered offline.
class SoftSynth
{
public:
    explicit SoftSynth(const std::string& soundFontPath);
    ~SoftSynth();
    SoftSynth(const SoftSynth&) = delete;
    SoftSynth& operator=(const SoftSynth&) = delete;

    bool IsLoaded() const { return soundFont_ >= 0; }
    int SampleRate() const;

    // Note-on, note-off and program change are played; other words are ignored.
    void Send(std::uint32_t word);
    // Every voice on every channel stops at once, and the effects with them.
    void SilenceAll();
    // Brings the effects back after SilenceAll; only while no audio runs.
    void RestoreEffects();

    // Starts sound output on the desktop's sound server, else ALSA.
    bool StartAudio();
    void StopAudio();
    bool HasAudio() const { return driver_ != nullptr; }

    // Offline rendering, for a machine with no sound device.
    void Render(float* left, float* right, int frames);

private:
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_audio_driver_t* driver_ = nullptr;
    int soundFont_ = -1;
};
