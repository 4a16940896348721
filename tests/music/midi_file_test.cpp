#include "midi_file.h"
#include "midi_file_reading.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using music::StandardMidiFile;
using music::TimedMessage;

using midi_reading::Event;
using midi_reading::Reading;

TimedMessage On(int step, std::uint8_t note, std::uint8_t velocity, std::uint8_t channel)
{
    return {step, music::NoteOn(note, velocity, channel)};
}

TimedMessage Off(int step, std::uint8_t note, std::uint8_t channel)
{
    return {step, music::NoteOff(note, channel)};
}

TimedMessage Program(int step, std::uint8_t program, std::uint8_t channel)
{
    return {step, music::ProgramChange(program, channel)};
}

Event NoteOnAt(int ms, int note, int velocity, int channel)
{
    return {ms, "note_on", channel, note, velocity};
}

Event NoteOffAt(int ms, int note, int channel)
{
    return {ms, "note_off", channel, note, 0};
}

Event ProgramAt(int ms, int program, int channel)
{
    return {ms, "program_change", channel, program, 0};
}

class MidiFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "midi_file_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }

    void TearDown() override
    {
        if (!folder_.empty())
            std::filesystem::remove_all(folder_);
    }

    // Writes the piece to a file and reports what mido reads from it.
    Reading WriteAndRead(const std::vector<TimedMessage>& messages, int endStep)
    {
        const auto path = folder_ / ("piece" + std::to_string(fileCount_++) + ".mid");
        const auto bytes = StandardMidiFile(messages, endStep);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));

        return midi_reading::ReadMidiFile(path);
    }

private:
    std::filesystem::path folder_;
    int fileCount_ = 0;
};

TEST_F(MidiFileTest, PlaybackLikePieceSoundsEveryMessageAtItsStep)
{
    const std::vector<TimedMessage> piece = {
        Program(0, 88, 0), Program(0, 46, 1),
        On(1, 60, 127, 0), On(1, 48, 100, 1), On(1, 52, 100, 1), On(1, 55, 100, 1),
        // The melody repeats its pitch: the release must stay ahead of the new strike.
        Off(2, 60, 0), On(2, 60, 127, 0),
        Off(3, 60, 0), On(3, 64, 127, 0), // held through steps 3 to 5
        Off(4, 48, 1), Off(4, 52, 1), Off(4, 55, 1), On(4, 50, 100, 1), On(4, 53, 100, 1), On(4, 57, 100, 1),
        Off(6, 64, 0), On(6, 67, 127, 0),
    };

    const Reading reading = WriteAndRead(piece, 7);

    EXPECT_EQ(reading.format, 1);
    EXPECT_EQ(reading.ticksPerBeat, 480);
    EXPECT_EQ(reading.trackCount, 3);
    EXPECT_EQ(reading.trackNames, (std::vector<std::string>{"Velmora", "Melody", "Chords"}));
    EXPECT_EQ(reading.lengthMs, 1400);
    EXPECT_EQ(reading.OnChannel(0), (std::vector<Event>{
        ProgramAt(0, 88, 0),
        NoteOnAt(200, 60, 127, 0),
        NoteOffAt(400, 60, 0), NoteOnAt(400, 60, 127, 0),
        NoteOffAt(600, 60, 0), NoteOnAt(600, 64, 127, 0),
        NoteOffAt(1200, 64, 0), NoteOnAt(1200, 67, 127, 0),
        NoteOffAt(1400, 67, 0),
    }));
    EXPECT_EQ(reading.OnChannel(1), (std::vector<Event>{
        ProgramAt(0, 46, 1),
        NoteOnAt(200, 48, 100, 1), NoteOnAt(200, 52, 100, 1), NoteOnAt(200, 55, 100, 1),
        NoteOffAt(800, 48, 1), NoteOffAt(800, 52, 1), NoteOffAt(800, 55, 1),
        NoteOnAt(800, 50, 100, 1), NoteOnAt(800, 53, 100, 1), NoteOnAt(800, 57, 100, 1),
        NoteOffAt(1400, 50, 1), NoteOffAt(1400, 53, 1), NoteOffAt(1400, 57, 1),
    }));
    EXPECT_EQ(reading.events.size(), reading.OnChannel(0).size() + reading.OnChannel(1).size());
}

TEST_F(MidiFileTest, PieceEndsWithNothingSounding)
{
    struct Case
    {
        const char* name;
        std::vector<TimedMessage> messages;
        int endStep;
        int endMs;
        std::vector<Event> releasesAtEnd;
        std::vector<std::string> trackNames;
    };
    const std::vector<Case> cases = {
        {"chord cut off, released lowest note first",
         {On(2, 55, 100, 1), On(2, 48, 100, 1), On(2, 52, 100, 1)}, 3, 600,
         {NoteOffAt(600, 48, 1), NoteOffAt(600, 52, 1), NoteOffAt(600, 55, 1)},
         {"Velmora", "Chords"}},
        {"melody note held to the end",
         {On(1, 60, 127, 0), Off(2, 60, 0), On(2, 62, 127, 0)}, 5, 1000,
         {NoteOffAt(1000, 62, 0)},
         {"Velmora", "Melody"}},
        {"note-on with velocity 0 already released the note",
         {On(1, 60, 127, 0), On(2, 60, 0, 0)}, 4, 800,
         {},
         {"Velmora", "Melody"}},
        {"note struck twice is released twice",
         {On(1, 60, 127, 0), On(2, 60, 127, 0)}, 3, 600,
         {NoteOffAt(600, 60, 0), NoteOffAt(600, 60, 0)},
         {"Velmora", "Melody"}},
        {"end step before the last message ends at that message",
         {On(1, 60, 127, 0), On(6, 40, 90, 9)}, 4, 1200,
         {NoteOffAt(1200, 60, 0), NoteOffAt(1200, 40, 9)},
         {"Velmora", "Melody", "Channel 9"}},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reading reading = WriteAndRead(c.messages, c.endStep);

        EXPECT_EQ(reading.trackNames, c.trackNames);
        EXPECT_EQ(reading.lengthMs, c.endMs);
        std::vector<Event> releasesAtEnd;
        // Strikes minus releases per (channel, note); every one must come back to zero.
        std::map<std::pair<int, int>, int> sounding;
        for (const auto& event : reading.events) {
            EXPECT_LE(event.ms, c.endMs);
            if (event.type == "note_off" && event.ms == c.endMs)
                releasesAtEnd.push_back(event);
            if (event.type == "note_on" && event.data2 > 0)
                ++sounding[{event.channel, event.data1}];
            else if (event.type == "note_on" || event.type == "note_off")
                --sounding[{event.channel, event.data1}];
        }
        EXPECT_EQ(releasesAtEnd, c.releasesAtEnd);
        for (const auto& [channelAndNote, count] : sounding)
            EXPECT_EQ(count, 0) << "channel " << channelAndNote.first << " note " << channelAndNote.second;
    }
}

TEST_F(MidiFileTest, EmptyPieceIsJustTheTempoTrack)
{
    const Reading reading = WriteAndRead({}, 0);

    EXPECT_EQ(reading.format, 1);
    EXPECT_EQ(reading.ticksPerBeat, 480);
    EXPECT_EQ(reading.trackCount, 1);
    EXPECT_EQ(reading.trackNames, std::vector<std::string>{"Velmora"});
    EXPECT_EQ(reading.lengthMs, 0);
    EXPECT_TRUE(reading.events.empty());
}

TEST(MidiFileInput, RejectsMessagesAFileCannotHold)
{
    EXPECT_THROW(StandardMidiFile({{0, music::MidiMessage{}}}, 1), std::invalid_argument);
    EXPECT_THROW(StandardMidiFile({{0, music::MidiMessage{0xF0, 0, 0}}}, 1), std::invalid_argument);
    EXPECT_THROW(StandardMidiFile({On(0, 128, 100, 0)}, 1), std::invalid_argument);
    EXPECT_THROW(StandardMidiFile({On(0, 60, 128, 0)}, 1), std::invalid_argument);
}

} // namespace
