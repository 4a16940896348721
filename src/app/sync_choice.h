#pragma once

#include "rtmidi_output.h"
#include "sync_timeline.h"

#include <string>
#include <vector>

// What a piece keeps time with: its own clock (Off), an Ableton Link
// session, the program's own clock sent on as MIDI clock, a MIDI clock
// from another program, or the JACK transport.
struct SyncChoice
{
    music::SyncSource source = music::SyncSource::Off;
    // Following a MIDI clock: the API, and the other program's output port,
    // or none for Velmora's own input port "Velmora Clock In".
    music::ExternalMidiApi api = music::ExternalMidiApi::AlsaSequencer;
    std::string clockPort;

    friend bool operator==(const SyncChoice&, const SyncChoice&) = default;
};

// The ports a MIDI clock can be followed from: Velmora's own input port
// through the ALSA sequencer and, where a JACK server answers, through
// JACK, then every other program's output port the two offer now.
std::vector<SyncChoice> AvailableClockInputs();
