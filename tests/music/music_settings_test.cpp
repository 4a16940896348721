#include "midi_file.h"
#include "midi_file_reading.h"
#include "music_tables.h"
#include "printing.h"
#include "sequencer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include <unistd.h>

namespace {

using music::MusicSettings;
using music::Scale;
using Notes = std::vector<std::uint8_t>;

// The original tables, and two scales worked out by hand: D dorian (D E F G A B C) and
// C major pentatonic (C D E G A), whose eight melody notes run on into the next octave.
TEST(ScaleRule, GivesTheOriginalTablesInCMajorAndEachScalesOwnDegreesElsewhere)
{
    const std::tuple<const char*, MusicSettings, Notes, std::array<music::ChordNotes, 8>, Notes> cases[] = {
        {"C major", {}, {72, 74, 76, 77, 79, 81, 83, 84},
         {{{60, 64, 67}, {62, 65, 69}, {64, 67, 71}, {65, 69, 72}, {67, 71, 74}, {69, 72, 76}, {71, 74, 67}, {60, 64, 67}}},
         {0, 2, 4, 5, 7, 1, 3, 4}},
        {"D dorian", MusicSettings{.key = 2, .scale = Scale::Dorian}, {74, 76, 77, 79, 81, 83, 84, 86},
         {{{62, 65, 69}, {64, 67, 71}, {65, 69, 72}, {67, 71, 74}, {69, 72, 76}, {71, 74, 77}, {72, 76, 69}, {62, 65, 69}}},
         {0, 2, 3, 5, 7, 1, 2, 4}},
        {"C major pentatonic", MusicSettings{.scale = Scale::MajorPentatonic}, {72, 74, 76, 79, 81, 84, 86, 88},
         {{{60, 64, 69}, {62, 67, 72}, {64, 69, 74}, {67, 72, 76}, {69, 74, 79}, {72, 76, 81}, {74, 79, 69}, {60, 64, 69}}},
         {0, 2, 4, 7, 1, 4, 6, 0}},
    };
    for (const auto& [name, settings, melody, chords, rows] : cases) {
        SCOPED_TRACE(name);
        for (int code = 0; code < 256; ++code)
            ASSERT_EQ(music::DirectionToNote(static_cast<std::uint8_t>(code), settings), melody[code < 8 ? code : 0]);
        EXPECT_EQ(music::ChordTable(settings), chords);
        for (std::size_t degree = 0; degree < melody.size(); ++degree)
            EXPECT_EQ(music::ChordRow(melody[degree], settings), rows[degree]) << "degree " << degree;
    }
}

TEST(MusicSettings, AcceptsEachFieldWithinItsRangeAndNamesTheFirstOneOutside)
{
    using Fault = music::SettingsFault;
    using music::StepNote;
    const Scale unknown = static_cast<Scale>(music::Scales.size());
    // A quarter note at 59.9 beats a minute lasts over 1000 ms; a 1/32 at 150.1, under 50 ms.
    const std::pair<MusicSettings, Fault> cases[] = {
        {{}, Fault::None}, {{300, StepNote::Sixteenth, 11, Scale::WholeTone, 0, 127, 1, 127}, Fault::None},
        {{15, StepNote::Sixteenth, 0, Scale::Blues, 127, 0, 127, 1}, Fault::None}, {{14.99}, Fault::Tempo},
        {{300.01}, Fault::Tempo}, {{59.9, StepNote::Quarter}, Fault::StepLength}, {{60, StepNote::Quarter}, Fault::None},
        {{150.1, StepNote::ThirtySecond}, Fault::StepLength}, {{.key = -1}, Fault::Key}, {{.key = 12}, Fault::Key},
        {{.scale = unknown}, Fault::Scale}, {{.melodyProgram = 128}, Fault::MelodyProgram},
        {{.chordProgram = -1}, Fault::ChordProgram}, {{.melodyVelocity = 0}, Fault::MelodyVelocity},
        {{.chordVelocity = 128}, Fault::ChordVelocity},
    };
    for (const auto& [settings, fault] : cases)
        EXPECT_EQ(music::CheckSettings(settings), fault) << settings.tempo << " bpm, key " << settings.key;
    EXPECT_EQ(music::GeneralMidiProgramNames[88], "Pad 1 (new age)");
}

// The instruments and volumes come from the settings, and the step length
// changes the times only; the default settings give the original file.
TEST(PieceWithSettings, TakesItsInstrumentsAndVolumesFromTheSettingsAndItsTimesFromTheStep)
{
    const Notes notes = {72, 74, 74, 79, 72, 76, 84, 83, 81, 77, 72, 74, 76, 79, 81};
    const auto original = music::PieceMessages(notes);
    const auto path = std::filesystem::temp_directory_path() / ("tempo_test_" + std::to_string(::getpid()) + ".mid");
    for (const int step : {200, 50, 120, 1000}) {
        SCOPED_TRACE(step);
        const MusicSettings settings =
            step == 200 ? MusicSettings{}
                        : MusicSettings{.tempo = music::TempoForStep(step, music::StepNote::Sixteenth),
                                        .melodyProgram = 0, .chordProgram = 19, .melodyVelocity = 64, .chordVelocity = 30};
        const auto file = music::PieceMidiFile(notes, settings);
        ASSERT_EQ(file.fault, music::MidiFileFault::None);
        EXPECT_EQ(file.bytes == music::StandardMidiFile(original, music::PieceEndStep(notes)), step == 200);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
        const auto reading = midi_reading::ReadMidiFile(path);
        EXPECT_EQ(reading.ticksPerBeat, 480);
        EXPECT_EQ(reading.lengthMs, music::PieceEndStep(notes) * step);
        // The piece releases every note itself, so each channel holds exactly its messages.
        for (const int channel : {0, 1}) {
            std::vector<midi_reading::Event> expected;
            for (const auto& [at, message] : original) {
                const bool program = message.Kind() == music::ProgramChangeKind;
                const bool on = message.Kind() == music::NoteOnKind;
                if (message.Channel() == channel)
                    expected.push_back({at * step, program ? "program_change" : on ? "note_on" : "note_off", channel,
                                        program ? (channel ? settings.chordProgram : settings.melodyProgram) : message.data1,
                                        on ? (channel ? settings.chordVelocity : settings.melodyVelocity) : 0});
            }
            EXPECT_EQ(reading.OnChannel(channel), expected) << "channel " << channel;
        }
    }
    std::filesystem::remove(path);
    EXPECT_EQ(music::MakeStandardMidiFile(original, 16, 14.9, music::StepNote::Sixteenth).fault,
              music::MidiFileFault::InvalidStepLength);
    EXPECT_EQ(music::MakeStandardMidiFile({{0, {0x90, 128, 1}}}, 1, 75, music::StepNote::Sixteenth).fault,
              music::MidiFileFault::InvalidMessage);
}

// A step is as many ticks as its note value has 480ths of a quarter, and the
// tempo is the one played: by default sixteenths (120 ticks) at 75 beats a
// minute, 200 ms a step, so the chords of steps 1 and 9 lie two beats apart.
TEST(PieceWithSettings, EveryStepLandsOnTheGridOfItsNoteValueAtTheTempoPlayed)
{
    const Notes notes = {72, 74, 74, 79, 72, 76, 84, 83, 81, 77, 72, 74, 76, 79, 81, 72, 74};
    // Tempo (us a quarter), ticks a step, length (ms); 18 steps of 160 ticks are six quarters of 666,667 us.
    const std::tuple<MusicSettings, int, long long, int> rows[] = {
        {{}, 800'000, 120, 18 * 200}, {{.tempo = 90, .stepNote = music::StepNote::EighthTriplet}, 666'667, 160, 4000}};
    const auto path = std::filesystem::temp_directory_path() / ("grid_test_" + std::to_string(::getpid()) + ".mid");
    for (const auto& [settings, tempo, ticksPerStep, lengthMs] : rows) {
        const auto file = music::PieceMidiFile(notes, settings);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
        const auto reading = midi_reading::ReadMidiFile(path);
        EXPECT_EQ(reading.tempo, tempo);
        EXPECT_EQ(reading.timeSignature, "4/4");
        EXPECT_EQ(reading.lengthMs, lengthMs);
        std::vector<long long> chordStrikes;
        for (std::size_t i = 0; i < reading.events.size(); ++i) {
            EXPECT_EQ(reading.eventTicks[i] % ticksPerStep, 0) << "event " << i << " off the grid at " << ticksPerStep;
            if (reading.events[i].channel == 1 && reading.events[i].type == "note_on")
                chordStrikes.push_back(reading.eventTicks[i] / ticksPerStep);
        }
        EXPECT_EQ(chordStrikes, (std::vector<long long>{1, 1, 1, 9, 9, 9})) << "in steps";
    }
    std::filesystem::remove(path);
}

} // namespace
