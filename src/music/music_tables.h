#pragma once

#include "midi_message.h"

#include <array>
#include <cstdint>

namespace music {

inline constexpr std::uint8_t ScaleBase = 72;  // C5
// C-major offsets above C5 for the eight walk directions.
inline constexpr std::array<std::uint8_t, 8> ScaleOffsets{0, 2, 4, 5, 7, 9, 11, 12};

// Three notes per selector, in the order they are sent. Row 6 is G major
// sent from B4 (71, 74, 67); rows 0 and 7 are both C major.
inline constexpr std::array<std::array<std::uint8_t, 3>, 8> Chords{{
    {60, 64, 67},
    {62, 65, 69},
    {64, 67, 71},
    {65, 69, 72},
    {67, 71, 74},
    {69, 72, 76},
    {71, 74, 67},
    {60, 64, 67},
}};

inline constexpr std::uint8_t MelodyChannel = 0;
inline constexpr std::uint8_t MelodyVelocity = 127;
inline constexpr std::uint8_t MelodyProgram = 88;
inline constexpr std::uint8_t ChordChannel = 1;
inline constexpr std::uint8_t ChordVelocity = 100;
inline constexpr std::uint8_t ChordProgram = 46;

// 0..7 give C5 to C6; every other byte gives C5.
constexpr std::uint8_t DirectionToNote(std::uint8_t code)
{
    const std::uint8_t offset = code < ScaleOffsets.size() ? ScaleOffsets[code] : 0;
    return static_cast<std::uint8_t>(ScaleBase + offset);
}

// The chord of root mod 8: three note-ons, or the three matching note-offs
// in the same order.
std::array<MidiMessage, 3> ChordOn(std::uint8_t root);
std::array<MidiMessage, 3> ChordOff(std::uint8_t root);

} // namespace music
