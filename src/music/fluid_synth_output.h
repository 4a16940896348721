#pragma once

#include "midi_out.h"

#include <future>
#include <memory>
#include <string>

namespace music {

class SoftSynth;

inline constexpr const char* DefaultSoundFontPath = "/usr/share/sounds/sf2/default-GM.sf2";

// The MIDI output of the program: a software synthesizer playing a General
// MIDI SoundFont through the desktop's sound output. The SoundFont takes a
// while to load, so loading, with the samples of the two instruments a piece
// uses, starts in the background when this is created; opening then only
// starts the sound driver.
class FluidSynthOutput : public MidiOut
{
public:
    explicit FluidSynthOutput(std::string soundFontPath = DefaultSoundFontPath);
    ~FluidSynthOutput() override;

    const std::string& SoundFontPath() const { return soundFontPath_; }

    bool DeviceAvailable() override;
    bool Open() override;
    void Send(const MidiMessage& message) override;
    void SilenceAll() override;
    void Close() override;

private:
    SoftSynth* LoadedSynth();

    std::string soundFontPath_;
    std::future<std::unique_ptr<SoftSynth>> loading_;
    std::unique_ptr<SoftSynth> synth_;
    bool open_ = false;
};

} // namespace music
