#include "music_tables.h"

#include "midi_control.h"

std::uint8_t DirectionToNote(std::uint8_t code)
{
    const std::uint8_t offset = code < ScaleOffsets.size() ? ScaleOffsets[code] : 0;
    return static_cast<std::uint8_t>(ScaleBase + offset);
}

void ChordOn(std::uint8_t root)
{
    for (const std::uint8_t note : Chords[root % 8])
        NoteOn(note, ChordVelocity, ChordChannel);
}

void ChordOff(std::uint8_t root)
{
    for (const std::uint8_t note : Chords[root % 8])
        NoteOff(note, ChordChannel);
}
