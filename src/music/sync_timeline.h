#pragma once

// Musical time shared with other programs: which source a piece keeps time
// with, a timeline of beats against the steady clock, and the MIDI messages
// that carry a clock.

#include "midi_message.h"
#include "music_settings.h"

#include <chrono>
#include <cmath>
#include <optional>
#include <string_view>

namespace music {

// Off keeps the program's own clock, exactly as it always did.
enum class SyncSource { Off, Link, SendClock, FollowClock, FollowJack };

// The ids name a source in stored settings; the menu's names may change, these may not.
inline constexpr std::string_view SyncSourceIds[] = {"off", "link", "sendClock", "followClock", "followJack"};
std::optional<SyncSource> SyncSourceFromId(std::string_view id);
std::string_view IdOf(SyncSource source);

using SteadyTime = std::chrono::steady_clock::time_point;

// Beats (quarter notes) against time: linear at one tempo from a known point.
// A source hands out a fresh one whenever asked, so tempo changes are
// followed step by step.
struct BeatTimeline
{
    double beat = 0;
    SteadyTime at{};
    double tempo = DefaultTempo;

    double BeatAt(SteadyTime time) const
    {
        return beat + std::chrono::duration<double>(time - at).count() * tempo / 60.0;
    }
    SteadyTime TimeAt(double when) const
    {
        return at + std::chrono::duration_cast<SteadyTime::duration>(
                        std::chrono::duration<double>((when - beat) * 60.0 / tempo));
    }
};

// Link shares phase in bars of four beats; a piece starts on such a boundary.
inline constexpr double LinkQuantum = 4;

// The first beat at or after `beat` that is a whole number of quanta.
inline double NextBoundary(double beat, double quantum)
{
    return std::ceil(beat / quantum - 1e-9) * quantum;
}

// A step's length in beats: a sixteenth is a quarter of a beat.
inline double StepBeats(StepNote note)
{
    const auto shape = ShapeOf(note);
    return shape ? double(shape->divisions) / QuarterNoteDivisions : 0.25;
}

// MIDI clock: 24 pulses a quarter note, so every note value a step can
// have is a whole number of pulses (a thirty-second 3, a quarter 24).
inline constexpr int PulsesPerQuarter = 24;
inline int PulsesPerStep(StepNote note)
{
    const auto shape = ShapeOf(note);
    return (shape ? shape->divisions : 120) * PulsesPerQuarter / QuarterNoteDivisions;
}

// System real-time and common messages: one byte, except the Song Position
// Pointer with its 14-bit position in sixteenths (two data bytes).
inline constexpr std::uint8_t ClockPulseStatus = 0xF8;
inline constexpr std::uint8_t ClockStartStatus = 0xFA;
inline constexpr std::uint8_t ClockContinueStatus = 0xFB;
inline constexpr std::uint8_t ClockStopStatus = 0xFC;
inline constexpr std::uint8_t SongPositionStatus = 0xF2;
inline constexpr MidiMessage ClockPulse{ClockPulseStatus, 0, 0};
inline constexpr MidiMessage ClockStart{ClockStartStatus, 0, 0};
inline constexpr MidiMessage ClockStop{ClockStopStatus, 0, 0};
inline constexpr MidiMessage SongPositionZero{SongPositionStatus, 0, 0};

// How many bytes of a message go on the wire.
inline int WireLength(const MidiMessage& message)
{
    if (message.status == SongPositionStatus)
        return 3;
    if (message.status >= 0xF0)
        return 1;
    const std::uint8_t kind = message.Kind();
    return kind == ProgramChangeKind || kind == 0xD0 ? 2 : 3;
}

} // namespace music
