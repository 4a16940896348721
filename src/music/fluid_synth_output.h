#pragma once

#include "midi_out.h"

#include <memory>
#include <string>

namespace music {

inline constexpr const char* DefaultSoundFontPath = "/usr/share/sounds/sf2/default-GM.sf2";

// The MIDI output of the program: a software synthesizer playing a General
// MIDI SoundFont through the desktop's sound output.
//
// Loading the SoundFont and starting or stopping the sound driver can take
// as long as a slow disk or a stuck sound server makes them, so they all run
// on a worker thread of this output's own and the caller never waits on
// them for more than a moment. Until the SoundFont is loaded and the driver
// runs, notes are dropped, so a piece sounds from the moment it can.
class FluidSynthOutput : public MidiOut
{
public:
    explicit FluidSynthOutput(std::string soundFontPath = DefaultSoundFontPath);
    // Waits a moment for the worker to close the driver; a worker that is
    // stuck is left behind rather than waited for.
    ~FluidSynthOutput() override;
    FluidSynthOutput(const FluidSynthOutput&) = delete;
    FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

    const std::string& SoundFontPath() const { return soundFontPath_; }

    bool DeviceAvailable() override;
    // False once the SoundFont or the driver is known to have failed.
    bool Open() override;
    void Send(const MidiMessage& message) override;
    void SilenceAll() override;
    void Close() override;
    Readiness CurrentReadiness() const override;
    std::string SoundSource() const override { return soundFontPath_; }

    struct Worker;

private:
    std::string soundFontPath_;
    // Shared with the worker thread, which may outlive this output.
    std::shared_ptr<Worker> worker_;
    bool open_ = false;
};

} // namespace music
