#include "music_tables.h"

namespace music {

namespace {

constexpr int OctaveSemitones = 12;
constexpr int ChordRowCount = static_cast<int>(ChordDegrees.size());

// An invalid scale falls back to major, so a note is always defined.
ScaleShape ShapeOrMajor(const MusicSettings& settings)
{
    return ShapeOf(settings.scale).value_or(Scales[0]);
}

int KeyOf(const MusicSettings& settings)
{
    return ((settings.key % KeyCount) + KeyCount) % KeyCount;
}

std::array<MidiMessage, 3> ChordMessages(std::uint8_t root, const MusicSettings& settings, bool on)
{
    const ChordNotes notes = ChordTable(settings)[static_cast<std::size_t>(ChordRow(root, settings))];
    const auto velocity = static_cast<std::uint8_t>(settings.chordVelocity);
    std::array<MidiMessage, 3> messages;
    for (std::size_t i = 0; i < notes.size(); ++i)
        messages[i] = on ? NoteOn(notes[i], velocity, ChordChannel) : NoteOff(notes[i], ChordChannel);
    return messages;
}

} // namespace

std::uint8_t DegreeNote(const ScaleShape& shape, int tonic, int degree)
{
    const int octave = degree / shape.size;
    return static_cast<std::uint8_t>(tonic + octave * OctaveSemitones +
                                     shape.semitones[static_cast<std::size_t>(degree % shape.size)]);
}

std::uint8_t DirectionToNote(std::uint8_t code, const MusicSettings& settings)
{
    const int degree = code < MelodyDegreeCount ? code : 0;
    return DegreeNote(ShapeOrMajor(settings), ScaleBase + KeyOf(settings), degree);
}

std::array<ChordNotes, 8> ChordTable(const MusicSettings& settings)
{
    const ScaleShape shape = ShapeOrMajor(settings);
    std::array<ChordNotes, 8> table;
    for (std::size_t row = 0; row < table.size(); ++row)
        for (std::size_t i = 0; i < 3; ++i)
            table[row][i] = DegreeNote(shape, ChordBase + KeyOf(settings), ChordDegrees[row][i]);
    return table;
}

int ChordRow(std::uint8_t root, const MusicSettings& settings)
{
    return ((root - KeyOf(settings)) % ChordRowCount + ChordRowCount) % ChordRowCount;
}

std::array<MidiMessage, 3> ChordOn(std::uint8_t root, const MusicSettings& settings)
{
    return ChordMessages(root, settings, true);
}

std::array<MidiMessage, 3> ChordOff(std::uint8_t root, const MusicSettings& settings)
{
    return ChordMessages(root, settings, false);
}

} // namespace music
