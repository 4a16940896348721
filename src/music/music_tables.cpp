#include "music_tables.h"

namespace music {

std::array<MidiMessage, 3> ChordOn(std::uint8_t root)
{
    const auto& notes = Chords[root % 8];
    return {NoteOn(notes[0], ChordVelocity, ChordChannel), NoteOn(notes[1], ChordVelocity, ChordChannel),
            NoteOn(notes[2], ChordVelocity, ChordChannel)};
}

std::array<MidiMessage, 3> ChordOff(std::uint8_t root)
{
    const auto& notes = Chords[root % 8];
    return {NoteOff(notes[0], ChordChannel), NoteOff(notes[1], ChordChannel), NoteOff(notes[2], ChordChannel)};
}

} // namespace music
