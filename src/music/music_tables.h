#pragma once

#include "midi_message.h"
#include "music_settings.h"

#include <array>
#include <cstdint>

namespace music {

inline constexpr std::uint8_t ScaleBase = 72;  // C5, the melody's lowest note in C
inline constexpr std::uint8_t ChordBase = 60;  // C4, the chords sit an octave below
// Eight walk directions, eight melody notes: a scale of fewer notes an
// octave goes on into the next octave.
inline constexpr int MelodyDegreeCount = 8;

// Each chord row as scale degrees above the chord octave's tonic, in the
// order its notes are sent. Rows 0 to 5 are the triads on degrees 0 to 5;
// row 6 stands the triad on degree 4 over the note of degree 6 (in C major
// G major from B4: 71, 74, 67); row 7 repeats row 0.
inline constexpr std::array<std::array<int, 3>, 8> ChordDegrees{{
    {0, 2, 4},
    {1, 3, 5},
    {2, 4, 6},
    {3, 5, 7},
    {4, 6, 8},
    {5, 7, 9},
    {6, 8, 4},
    {0, 2, 4},
}};

inline constexpr std::uint8_t MelodyChannel = 0;
inline constexpr std::uint8_t ChordChannel = 1;

// The note of a degree counted upwards from tonic, across octaves.
std::uint8_t DegreeNote(const ScaleShape& shape, int tonic, int degree);

// Walk directions 0..7 give the first eight degrees from the key's tonic in
// the fifth octave (C major: C5 to C6); every other byte gives that tonic.
std::uint8_t DirectionToNote(std::uint8_t code, const MusicSettings& settings = {});

using ChordNotes = std::array<std::uint8_t, 3>;
// The eight chord rows of the settings' key and scale.
std::array<ChordNotes, 8> ChordTable(const MusicSettings& settings = {});
// The row a melody note strikes: its distance above the key's C, mod 8
// (in C major simply the note number mod 8).
int ChordRow(std::uint8_t root, const MusicSettings& settings = {});

// The chord a melody note selects: three note-ons, or the three matching
// note-offs in the same order.
std::array<MidiMessage, 3> ChordOn(std::uint8_t root, const MusicSettings& settings = {});
std::array<MidiMessage, 3> ChordOff(std::uint8_t root, const MusicSettings& settings = {});

} // namespace music
