#include "midi_file.h"
#include "midi_file_reading.h"
#include "music_tables.h"
#include "printing.h"
#include "sequencer.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>

#include <unistd.h>
#include <vector>

namespace {

using music::MusicSettings;
using music::Scale;
using Notes = std::vector<std::uint8_t>;
using Chords = std::array<music::ChordNotes, 8>;

MusicSettings With(Scale scale, int key)
{
    MusicSettings settings;
    settings.scale = scale;
    settings.key = key;
    return settings;
}

// The tables the program played before it had settings, and two more scales
// worked out by hand: D dorian (D E F G A B C) and C major pentatonic
// (C D E G A), whose eight melody notes run on into the next octave.
TEST(ScaleRule, GivesTheOriginalTablesInCMajorAndEachScalesOwnDegreesElsewhere)
{
    struct Case
    {
        const char* name;
        MusicSettings settings;
        Notes melody;
        Chords chords;
        Notes rowOfEachMelodyNote;
    };
    const Case cases[] = {
        {"C major", {}, {72, 74, 76, 77, 79, 81, 83, 84},
         {{{60, 64, 67}, {62, 65, 69}, {64, 67, 71}, {65, 69, 72}, {67, 71, 74}, {69, 72, 76}, {71, 74, 67}, {60, 64, 67}}},
         {0, 2, 4, 5, 7, 1, 3, 4}},
        {"D dorian", With(Scale::Dorian, 2), {74, 76, 77, 79, 81, 83, 84, 86},
         {{{62, 65, 69}, {64, 67, 71}, {65, 69, 72}, {67, 71, 74}, {69, 72, 76}, {71, 74, 77}, {72, 76, 69}, {62, 65, 69}}},
         {0, 2, 3, 5, 7, 1, 2, 4}},
        {"C major pentatonic", With(Scale::MajorPentatonic, 0), {72, 74, 76, 79, 81, 84, 86, 88},
         {{{60, 64, 69}, {62, 67, 72}, {64, 69, 74}, {67, 72, 76}, {69, 74, 79}, {72, 76, 81}, {74, 79, 69}, {60, 64, 69}}},
         {0, 2, 4, 7, 1, 4, 6, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int code = 0; code < 256; ++code) {
            const std::uint8_t expected = code < 8 ? c.melody[static_cast<std::size_t>(code)] : c.melody[0];
            ASSERT_EQ(music::DirectionToNote(static_cast<std::uint8_t>(code), c.settings), expected) << code;
        }
        EXPECT_EQ(music::ChordTable(c.settings), c.chords);
        for (std::size_t degree = 0; degree < c.melody.size(); ++degree) {
            const auto row = c.rowOfEachMelodyNote[degree];
            EXPECT_EQ(music::ChordRow(c.melody[degree], c.settings), row) << "degree " << degree;
            const auto [a, b, d] = c.chords[row];
            const auto velocity = static_cast<std::uint8_t>(c.settings.chordVelocity);
            EXPECT_EQ(music::ChordOn(c.melody[degree], c.settings),
                      (std::array{music::NoteOn(a, velocity, 1), music::NoteOn(b, velocity, 1),
                                  music::NoteOn(d, velocity, 1)}));
        }
    }
    for (int root = 0; root < 256; ++root)
        ASSERT_EQ(music::ChordRow(static_cast<std::uint8_t>(root)), root % 8) << "C major selects by root mod 8";
}

TEST(MusicSettings, AcceptsEachFieldWithinItsRangeAndNamesTheFirstOneOutside)
{
    using music::SettingsFault;
    struct Case
    {
        int MusicSettings::*field;
        int low;
        int high;
        SettingsFault fault;
    };
    const Case cases[] = {
        {&MusicSettings::stepMilliseconds, 50, 1000, SettingsFault::StepLength},
        {&MusicSettings::key, 0, 11, SettingsFault::Key},
        {&MusicSettings::melodyProgram, 0, 127, SettingsFault::MelodyProgram},
        {&MusicSettings::chordProgram, 0, 127, SettingsFault::ChordProgram},
        {&MusicSettings::melodyVelocity, 1, 127, SettingsFault::MelodyVelocity},
        {&MusicSettings::chordVelocity, 1, 127, SettingsFault::ChordVelocity},
    };
    EXPECT_EQ(music::CheckSettings({}), SettingsFault::None);
    for (const Case& c : cases) {
        for (const auto& [value, fault] : {std::pair{c.low, SettingsFault::None}, {c.high, SettingsFault::None},
                                           {c.low - 1, c.fault}, {c.high + 1, c.fault}}) {
            MusicSettings settings;
            settings.*c.field = value;
            EXPECT_EQ(music::CheckSettings(settings), fault) << "value " << value;
        }
    }
    MusicSettings unknownScale;
    unknownScale.scale = static_cast<Scale>(music::Scales.size());
    EXPECT_EQ(music::CheckSettings(unknownScale), SettingsFault::Scale);
    EXPECT_EQ(music::GeneralMidiProgramNames[0], "Acoustic Grand Piano");
    EXPECT_EQ(music::GeneralMidiProgramNames[46], "Orchestral Harp");
    EXPECT_EQ(music::GeneralMidiProgramNames[88], "Pad 1 (new age)");
    EXPECT_EQ(music::GeneralMidiProgramNames[127], "Gunshot");
}

// The instruments and volumes come from the settings; the step length
// changes the file's times only.
TEST(PieceWithSettings, TakesItsInstrumentsAndVolumesFromTheSettingsAndItsTimesFromTheStep)
{
    const Notes notes = {72, 74, 74, 79, 72, 76, 84, 83, 81, 77, 72, 74, 76, 79, 81};
    MusicSettings settings;
    settings.melodyProgram = 0;
    settings.chordProgram = 19;
    settings.melodyVelocity = 64;
    settings.chordVelocity = 30;
    const auto played = music::PieceMessages(notes, settings);
    const auto original = music::PieceMessages(notes);
    ASSERT_EQ(played.size(), original.size());
    for (std::size_t i = 0; i < played.size(); ++i) {
        auto expected = original[i];
        if (expected.message.Kind() == music::ProgramChangeKind)
            expected.message.data1 = expected.message.Channel() == 0 ? 0 : 19;
        else if (expected.message.Kind() == music::NoteOnKind)
            expected.message.data2 = expected.message.Channel() == 0 ? 64 : 30;
        EXPECT_EQ(played[i].step, expected.step) << i;
        EXPECT_EQ(played[i].message, expected.message) << i;
    }

    const auto folder = std::filesystem::temp_directory_path() / ("tempo_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const int step : {200, 50, 120, 1000}) {
        SCOPED_TRACE(step);
        MusicSettings timed;
        timed.stepMilliseconds = step;
        const auto file = music::PieceMidiFile(notes, timed);
        ASSERT_EQ(file.fault, music::MidiFileFault::None);
        EXPECT_EQ(file.bytes == music::StandardMidiFile(original, music::PieceEndStep(notes)), step == 200);
        const auto path = folder / "piece.mid";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
        const auto reading = midi_reading::ReadMidiFile(path);
        EXPECT_EQ(reading.ticksPerBeat, 480);
        EXPECT_EQ(reading.lengthMs, music::PieceEndStep(notes) * step);
        // Every melody note is released by the piece itself, so channel 0 holds exactly the messages.
        std::vector<midi_reading::Event> expected;
        for (const auto& [at, message] : original) {
            if (message.Channel() != 0)
                continue;
            const bool program = message.Kind() == music::ProgramChangeKind;
            const bool on = message.Kind() == music::NoteOnKind;
            expected.push_back({at * step, program ? "program_change" : on ? "note_on" : "note_off", 0, message.data1,
                                on ? message.data2 : 0});
        }
        EXPECT_EQ(reading.OnChannel(0), expected);
    }
    std::filesystem::remove_all(folder);

    EXPECT_EQ(music::MakeStandardMidiFile(original, 16, 49).fault, music::MidiFileFault::InvalidStepLength);
    const auto invalid = music::MakeStandardMidiFile({{0, music::NoteOn(128, 1, 0)}}, 1, 200);
    EXPECT_EQ(invalid.fault, music::MidiFileFault::InvalidMessage);
    EXPECT_TRUE(invalid.bytes.empty());
}

} // namespace
