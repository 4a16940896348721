#include "language.h"
#include "message_recorder.h"
#include "midi_control.h"
#include "music_tables.h"
#include "recording_midi.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using recording_midi::Kind;

struct Expected
{
    Kind kind;
    std::uint32_t word;
};

class MidiControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recording_midi::Reset();
        CloseMidi();  // whatever an earlier test left open
        recording_midi::Reset();
    }

    void TearDown() override { CloseMidi(); }

    // The calls the platform accepted, without the device count query.
    static std::vector<Expected> Heard()
    {
        std::vector<Expected> heard;
        for (const auto& call : recording_midi::AcceptedCalls()) {
            if (call.kind != Kind::GetNumDevs)
                heard.push_back({call.kind, call.kind == Kind::ShortMsg ? call.word : 0});
        }
        return heard;
    }

    static std::vector<std::uint32_t> Words()
    {
        std::vector<std::uint32_t> words;
        for (const auto& call : recording_midi::AcceptedCalls()) {
            if (call.kind == Kind::ShortMsg)
                words.push_back(call.word);
        }
        return words;
    }

    MessageRecorder messages;
};

bool operator==(const Expected& a, const Expected& b)
{
    return a.kind == b.kind && a.word == b.word;
}

std::uint32_t Word(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    return status | (data1 << 8) | (data2 << 16);
}

} // namespace

TEST_F(MidiControlTest, MessagesArePackedStatusFirstWithAZeroTopByte)
{
    ASSERT_TRUE(OpenMidi());
    NoteOn(72, 127, 0);
    NoteOn(60, 100, 1);
    NoteOff(72, 0);
    NoteOff(84, 1);
    ProgramChange(88, 0);
    ProgramChange(46, 1);
    EXPECT_EQ(Words(), (std::vector<std::uint32_t>{
                           Word(0x90, 72, 127),
                           Word(0x91, 60, 100),
                           Word(0x80, 72, 0),
                           Word(0x81, 84, 0),
                           Word(0xC0, 88, 0),
                           Word(0xC1, 46, 0),
                       }));
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(MidiControlTest, OpenAsksForTheDefaultOutputAndCloseResetsBeforeReleasing)
{
    ASSERT_TRUE(OpenMidi());
    const auto& calls = recording_midi::Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, Kind::GetNumDevs);
    EXPECT_EQ(calls[1].kind, Kind::Open);
    EXPECT_EQ(calls[1].word, 0xFFFFFFFFu) << "the default output, all 32 bits set";
    EXPECT_EQ(MidiOutHandle, calls[1].handle);

    NoteOn(72, 127, 0);
    CloseMidi();
    EXPECT_EQ(Heard(), (std::vector<Expected>{
                           {Kind::Open, 0}, {Kind::ShortMsg, Word(0x90, 72, 127)}, {Kind::Reset, 0}, {Kind::Close, 0}}));
    EXPECT_FALSE(recording_midi::IsOpen());
}

TEST_F(MidiControlTest, NothingHappensOnAnOutputThatIsNotOpen)
{
    CloseMidi();  // before any open
    NoteOn(72, 127, 0);
    NoteOff(72, 0);
    ProgramChange(88, 0);
    EXPECT_TRUE(Heard().empty());

    ASSERT_TRUE(OpenMidi());
    CloseMidi();
    recording_midi::Clear();
    CloseMidi();  // twice in a row
    NoteOn(72, 127, 0);
    EXPECT_TRUE(Heard().empty()) << "a closed output hears nothing";
    EXPECT_TRUE(messages.Texts().empty()) << "and says nothing";
}

TEST_F(MidiControlTest, WithNoDeviceTheUserIsToldAndNothingIsOpened)
{
    recording_midi::SetDeviceCount(0);
    const std::uint32_t handleBefore = MidiOutHandle;
    EXPECT_FALSE(OpenMidi());
    ASSERT_EQ(messages.Texts(), std::vector<std::string>{"使用できるMIDIデバイスがありません．"});
    for (const auto& call : recording_midi::Calls())
        EXPECT_NE(call.kind, Kind::Open) << "no open may be tried without a device";
    EXPECT_EQ(MidiOutHandle, handleBefore);
}

TEST_F(MidiControlTest, ARefusedOpenIsReportedAndLeavesTheHandleAlone)
{
    ASSERT_TRUE(OpenMidi());
    CloseMidi();
    const std::uint32_t handleBefore = MidiOutHandle;
    recording_midi::SetOpenRefused(true);
    EXPECT_FALSE(OpenMidi());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"MIDIデバイスを使用できません．"});
    EXPECT_EQ(MidiOutHandle, handleBefore);
    NoteOn(72, 127, 0);
    EXPECT_FALSE(recording_midi::AcceptedCalls().back().kind == Kind::ShortMsg);
}

TEST_F(MidiControlTest, EachOpenGetsANewHandle)
{
    ASSERT_TRUE(OpenMidi());
    const std::uint32_t first = MidiOutHandle;
    CloseMidi();
    ASSERT_TRUE(OpenMidi());
    EXPECT_NE(MidiOutHandle, first);
}

TEST(MusicTables, DirectionsMapOntoTheCMajorScaleAndEverythingElseOntoC5)
{
    const std::uint8_t expected[8] = {72, 74, 76, 77, 79, 81, 83, 84};
    for (int code = 0; code < 8; ++code)
        EXPECT_EQ(DirectionToNote(static_cast<std::uint8_t>(code)), expected[code]) << "code " << code;
    for (int code = 8; code < 256; ++code)
        ASSERT_EQ(DirectionToNote(static_cast<std::uint8_t>(code)), 72) << "code " << code;
}

TEST_F(MidiControlTest, ChordsAreThreeMessagesOnChannelOneChosenByTheRootModEight)
{
    struct Case
    {
        std::uint8_t root;
        std::uint8_t notes[3];
    };
    const Case cases[] = {
        {0, {60, 64, 67}}, {7, {60, 64, 67}}, {8, {60, 64, 67}}, {72, {60, 64, 67}}, {79, {60, 64, 67}},
        {1, {62, 65, 69}}, {74, {64, 67, 71}}, {4, {67, 71, 74}}, {6, {71, 74, 67}}, {83, {65, 69, 72}},
        {84, {67, 71, 74}}, {81, {62, 65, 69}}, {77, {69, 72, 76}}, {255, {60, 64, 67}},
    };
    ASSERT_TRUE(OpenMidi());
    for (const auto& c : cases) {
        recording_midi::Clear();
        ChordOn(c.root);
        ChordOff(c.root);
        const std::vector<std::uint32_t> expected{
            Word(0x91, c.notes[0], 100), Word(0x91, c.notes[1], 100), Word(0x91, c.notes[2], 100),
            Word(0x81, c.notes[0], 0),   Word(0x81, c.notes[1], 0),   Word(0x81, c.notes[2], 0),
        };
        EXPECT_EQ(Words(), expected) << "root " << int(c.root);
    }
}
