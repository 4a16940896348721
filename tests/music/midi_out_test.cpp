#include "midi_out.h"
#include "music_tables.h"
#include "printing.h"
#include "recording_midi_out.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using music::MidiMessage;
using Kind = RecordingMidiOut::Kind;

TEST(MidiMessage, StatusCarriesTheKindHighAndTheChannelLowAndANoteOffHasNoVelocity)
{
    struct Case
    {
        MidiMessage message;
        MidiMessage bytes;
    };
    const Case cases[] = {
        {music::NoteOn(72, 127, 0), {0x90, 72, 127}},
        {music::NoteOn(60, 100, 1), {0x91, 60, 100}},
        {music::NoteOn(1, 2, 15), {0x9F, 1, 2}},
        {music::NoteOff(72, 0), {0x80, 72, 0}},
        {music::NoteOff(84, 1), {0x81, 84, 0}},
        {music::ProgramChange(88, 0), {0xC0, 88, 0}},
        {music::ProgramChange(46, 1), {0xC1, 46, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.message, c.bytes);
}

TEST(DirectionToNote, MapsTheEightDirectionsOntoCMajorAndEveryOtherByteOntoC5)
{
    const std::uint8_t scale[8] = {72, 74, 76, 77, 79, 81, 83, 84};
    for (int code = 0; code < 8; ++code)
        EXPECT_EQ(music::DirectionToNote(static_cast<std::uint8_t>(code)), scale[code]) << "code " << code;
    // Dead-end bytes, and notes fed back in by mistake, all play C5.
    for (int code = 8; code < 256; ++code)
        ASSERT_EQ(music::DirectionToNote(static_cast<std::uint8_t>(code)), 72) << "byte " << code;
}

TEST(Chords, AreThreeMessagesOnChannel1ChosenByTheRootMod8AndReleasedInTheSameOrder)
{
    struct Case
    {
        std::uint8_t root;
        std::array<std::uint8_t, 3> notes;
    };
    const Case cases[] = {
        {0, {60, 64, 67}},  {7, {60, 64, 67}},  {8, {60, 64, 67}},  {72, {60, 64, 67}}, {79, {60, 64, 67}},
        {255, {60, 64, 67}}, {1, {62, 65, 69}}, {81, {62, 65, 69}}, {74, {64, 67, 71}}, {83, {65, 69, 72}},
        {4, {67, 71, 74}},  {84, {67, 71, 74}}, {77, {69, 72, 76}}, {6, {71, 74, 67}},
    };
    for (const Case& c : cases) {
        const auto [a, b, d] = c.notes;
        EXPECT_EQ(music::ChordOn(c.root), (std::array<MidiMessage, 3>{{{0x91, a, 100}, {0x91, b, 100}, {0x91, d, 100}}}))
            << "root " << int(c.root);
        EXPECT_EQ(music::ChordOff(c.root), (std::array<MidiMessage, 3>{{{0x81, a, 0}, {0x81, b, 0}, {0x81, d, 0}}}))
            << "root " << int(c.root);
    }
}

struct Call
{
    Kind kind;
    bool accepted;

    friend bool operator==(const Call&, const Call&) = default;
};

void PrintTo(const Call& call, std::ostream* out)
{
    static const char* const names[] = {"DeviceQuery", "Open", "Send", "Silence", "Close"};
    *out << names[static_cast<int>(call.kind)] << (call.accepted ? "" : " (not accepted)");
}

std::vector<Call> CallsOf(const RecordingMidiOut& output)
{
    std::vector<Call> calls;
    for (const auto& call : output.Calls())
        calls.push_back({call.kind, call.accepted});
    return calls;
}

TEST(OpenOutput, AsksForADeviceBeforeTryingToOpenOne)
{
    struct Case
    {
        const char* machine;
        bool deviceAvailable;
        bool refused;
        music::OpenOutcome outcome;
        std::vector<Call> calls;
    };
    const Case cases[] = {
        {"no device", false, false, music::OpenOutcome::NoDevice, {{Kind::DeviceQuery, true}}},
        {"a device that refuses", true, true, music::OpenOutcome::Refused,
         {{Kind::DeviceQuery, true}, {Kind::Open, false}}},
        {"a device that opens", true, false, music::OpenOutcome::Opened,
         {{Kind::DeviceQuery, true}, {Kind::Open, true}}},
    };
    for (const Case& c : cases) {
        RecordingMidiOut output;
        output.SetDeviceAvailable(c.deviceAvailable);
        output.SetOpenRefused(c.refused);
        EXPECT_EQ(music::OpenOutput(output), c.outcome) << c.machine;
        EXPECT_EQ(CallsOf(output), c.calls) << c.machine;
    }
}

TEST(CloseOutput, AsksForSilenceThenCloseWhetherOrNotTheOutputIsOpen)
{
    RecordingMidiOut output;
    const std::vector<Call> unheard = {{Kind::Silence, false}, {Kind::Close, false}};

    music::CloseOutput(output);
    EXPECT_EQ(CallsOf(output), unheard) << "before any open: nothing opened, nothing sent";

    ASSERT_EQ(music::OpenOutput(output), music::OpenOutcome::Opened);
    output.Send(music::NoteOn(72, 127, 0));
    output.Clear();
    music::CloseOutput(output);
    EXPECT_EQ(CallsOf(output), (std::vector<Call>{{Kind::Silence, true}, {Kind::Close, true}}))
        << "the sounding note is silenced, not released note by note";
    EXPECT_FALSE(output.IsOpen());

    output.Clear();
    music::CloseOutput(output);
    EXPECT_EQ(CallsOf(output), unheard) << "closing a second time";
}

} // namespace
