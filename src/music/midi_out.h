#pragma once

#include "midi_message.h"

#include <string>

namespace music {

// A MIDI output that is opened for a piece and closed after it. Sending,
// silencing and closing an output that is not open do nothing.
class MidiOut
{
public:
    virtual ~MidiOut() = default;

    // Whether there is anything to open at all.
    virtual bool DeviceAvailable() = 0;
    // False when the device refuses.
    virtual bool Open() = 0;
    virtual void Send(const MidiMessage& message) = 0;
    // Stops every sounding note on every channel at once.
    virtual void SilenceAll() = 0;
    virtual void Close() = 0;

    // Whether what is sent to an open output is heard. An output that
    // prepares itself in the background may open before it can sound.
    enum class Readiness {
        Sounding,
        Preparing,       // still loading or starting; it sounds once ready
        NoSound,         // it could not start: nothing will be heard
        SilentInstruments,  // it runs, but its instruments make no sound
    };
    virtual Readiness CurrentReadiness() const { return Readiness::Sounding; }
    // Where the sound comes from, for the user: a SoundFont's path, a port's name.
    virtual std::string SoundSource() const { return {}; }
};

// An output to another program, whose port may go away while a piece plays.
class ExternalMidiOut : public MidiOut
{
public:
    // Whether the port went away since the last call; true only once per loss.
    virtual bool TakePortLost() = 0;
};

enum class OpenOutcome { Opened, NoDevice, Refused, Pending, SilentInstruments };

// Asks for a device before trying to open one; an output that opened but
// cannot sound yet, or at all, says so.
OpenOutcome OpenOutput(MidiOut& output);
// Silences whatever still sounds, then closes; no note-offs are needed.
void CloseOutput(MidiOut& output);

} // namespace music
