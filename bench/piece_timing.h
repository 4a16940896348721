#pragma once

#include "recording_midi_out.h"

#include <chrono>
#include <iosfwd>
#include <vector>

using TimingClock = std::chrono::steady_clock;

// What one played piece left behind, for judging its timing.
struct PieceTiming
{
    int melodyLength = 0;
    // Slot 0: the last program change, sent just before the timer starts.
    TimingClock::time_point start;
    // When the press returned, just after the timer started.
    TimingClock::time_point pressReturned;
    // Stamped after each tick's handler: ticks 1 .. L + 1.
    std::vector<TimingClock::time_point> ticks;
    // Every MIDI call of the piece, stamped as it arrived.
    std::vector<RecordingMidiOut::Call> calls;
};

// Prints how far each tick's handling, each message and the end strayed
// from their slots k x 200 ms; true when every message kept within 2 ms of
// its slot and the end within 5 ms.
bool ReportPieceTiming(const PieceTiming& timing, std::ostream& out);
