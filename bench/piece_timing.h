#pragma once

#include "recording_midi.h"

#include <chrono>
#include <iosfwd>
#include <vector>

using TimingClock = std::chrono::steady_clock;

// What one played piece left behind, for judging its timing.
struct PieceTiming
{
    int melodyLength = 0;
    // The last program change, sent just before the timer starts.
    TimingClock::time_point start;
    // When the press handler returned, just after the timer started.
    TimingClock::time_point pressReturned;
    // Stamped after each tick's handler: ticks 1 .. L + 1.
    std::vector<TimingClock::time_point> ticks;
    // Every MIDI call of the piece, stamped as it arrived.
    std::vector<recording_midi::Call> calls;
};

// Prints the deviations from the 200 ms schedule; true when every tick kept
// within 2 ms of it and the end within 5 ms.
bool ReportPieceTiming(const PieceTiming& timing, std::ostream& out);
