#pragma once

#include "midi_message.h"

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
};

enum class OpenOutcome { Opened, NoDevice, Refused };

// Asks for a device before trying to open one.
OpenOutcome OpenOutput(MidiOut& output);
// Silences whatever still sounds, then closes; no note-offs are needed.
void CloseOutput(MidiOut& output);

} // namespace music
