#include "printing.h"
#include "sequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using music::MidiMessage;
using music::Sequencer;
using Messages = std::vector<MidiMessage>;

MidiMessage On(std::uint8_t note, std::uint8_t velocity = 127, std::uint8_t channel = 0)
{
    return {static_cast<std::uint8_t>(0x90 | channel), note, velocity};
}

MidiMessage Off(std::uint8_t note, std::uint8_t channel = 0)
{
    return {static_cast<std::uint8_t>(0x80 | channel), note, 0};
}

Messages ChordOn(std::uint8_t a, std::uint8_t b, std::uint8_t c)
{
    return {On(a, 100, 1), On(b, 100, 1), On(c, 100, 1)};
}

Messages ChordOff(std::uint8_t a, std::uint8_t b, std::uint8_t c)
{
    return {Off(a, 1), Off(b, 1), Off(c, 1)};
}

Messages Joined(Messages a, const Messages& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Every tick's messages until the piece ends, the ending tick included.
std::vector<Messages> PlayToTheEnd(Sequencer& sequencer)
{
    std::vector<Messages> ticks;
    for (Sequencer::Step step; !step.ended;) {
        step = sequencer.Tick();
        ticks.push_back(step.messages);
        if (ticks.size() > sequencer.Notes().size() + 1)
            break;
    }
    return ticks;
}

TEST(Sequencer, EveryPieceStartsWithTheMelodyAndChordInstruments)
{
    EXPECT_EQ(music::PieceStartMessages(), (std::array<MidiMessage, 2>{{{0xC0, 88, 0}, {0xC1, 46, 0}}}));
}

TEST(Sequencer, PlaysTheNineByteWorkedExampleMessageByMessage)
{
    const std::vector<std::uint8_t> notes = {72, 72, 76, 76, 76, 79, 81, 81, 84};
    struct Tick
    {
        Messages messages;
        float progress;
    };
    const Tick ticks[] = {
        {ChordOn(60, 64, 67), 11.111111f},  // byte 0 is never struck, and byte 1 repeats it
        {{Off(72), On(76)}, 22.222222f},
        {{}, 33.333332f},
        {{}, 44.444443f},
        {{Off(76), On(79)}, 55.555557f},
        {{Off(79), On(81)}, 66.666664f},
        {ChordOff(60, 64, 67), 77.77778f},
        {{Off(81), On(84)}, 88.888885f},
        {{Off(84)}, 100.0f},
        {{}, 100.0f},  // the end: what still sounds is left to the output's reset
    };
    Sequencer sequencer;
    sequencer.Start(notes);
    std::vector<std::pair<int, MidiMessage>> timed;
    for (const MidiMessage& message : music::PieceStartMessages())
        timed.emplace_back(0, message);
    for (int k = 1; k <= 10; ++k) {
        const Sequencer::Step step = sequencer.Tick();
        EXPECT_EQ(step.messages, ticks[k - 1].messages) << "tick " << k;
        EXPECT_EQ(step.ended, k == 10) << "tick " << k;
        EXPECT_FLOAT_EQ(sequencer.Progress(), ticks[k - 1].progress) << "tick " << k;
        EXPECT_EQ(sequencer.Position(), std::min(k, 9)) << "tick " << k;
        for (const MidiMessage& message : ticks[k - 1].messages)
            timed.emplace_back(k, message);
    }

    std::vector<std::pair<int, MidiMessage>> piece;
    for (const music::TimedMessage& message : music::PieceMessages(notes))
        piece.emplace_back(message.step, message.message);
    EXPECT_EQ(piece, timed) << "the whole piece, each message at its tick";
}

TEST(Sequencer, EndsEveryPieceOnTheTickAfterItsLastByte)
{
    std::vector<std::uint8_t> alternating(401);
    for (std::size_t i = 0; i < alternating.size(); ++i)
        alternating[i] = static_cast<std::uint8_t>(i % 2 == 0 ? 72 : 74);
    std::vector<std::uint8_t> endsOnARelease(15, 76);
    endsOnARelease[9] = 84;  // the chord struck at tick 9 is G major
    endsOnARelease[14] = 81;
    struct Case
    {
        const char* piece;
        std::vector<std::uint8_t> notes;
        std::map<int, Messages> at;  // the ticks checked
        bool othersSilent;
    };
    const Case cases[] = {
        {"equal bytes sound only their chords and one final release", std::vector<std::uint8_t>(17, 79),
         {{1, ChordOn(60, 64, 67)}, {7, ChordOff(60, 64, 67)}, {9, ChordOn(60, 64, 67)}, {15, ChordOff(60, 64, 67)},
          {17, {Off(79)}}},
         true},
        {"two bytes: byte 1 is struck with its chord, byte 0 is never released", {72, 74},
         {{1, Joined({On(74)}, ChordOn(64, 67, 71))}, {2, {Off(74)}}}, true},
        {"401 bytes: the last tick releases byte 400 and strikes no chord", alternating, {{401, {Off(72)}}}, false},
        {"15 bytes: the last tick releases the melody and the chord", endsOnARelease,
         {{15, {Off(81), Off(67, 1), Off(71, 1), Off(74, 1)}}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.piece);
        Sequencer sequencer;
        sequencer.Start(c.notes);
        const std::vector<Messages> ticks = PlayToTheEnd(sequencer);
        ASSERT_EQ(ticks.size(), c.notes.size() + 1) << "ticks up to and including the end";
        EXPECT_EQ(ticks.back(), Messages{}) << "the ending tick sends nothing";
        for (std::size_t k = 1; k < ticks.size(); ++k) {
            const auto checked = c.at.find(static_cast<int>(k));
            if (checked != c.at.end()) {
                EXPECT_EQ(ticks[k - 1], checked->second) << "tick " << k;
            } else if (c.othersSilent) {
                EXPECT_EQ(ticks[k - 1], Messages{}) << "tick " << k;
            }
        }
        EXPECT_EQ(sequencer.Progress(), 100.0f);
    }
}

TEST(Sequencer, AShorterPieceAfterALongerOnePlaysOnlyItsOwnBytes)
{
    Sequencer reused;
    reused.Start(std::vector<std::uint8_t>(30, 83));
    PlayToTheEnd(reused);
    const std::vector<std::uint8_t> shorter = {72, 74, 72, 74, 72, 74, 72, 74, 72};
    reused.Start(shorter);
    Sequencer fresh;
    fresh.Start(shorter);

    const std::vector<Messages> ticks = PlayToTheEnd(reused);
    EXPECT_EQ(ticks, PlayToTheEnd(fresh)) << "the same piece as on a new sequencer";
    EXPECT_EQ(ticks.size(), 10u);
    for (const Messages& tick : ticks)
        for (const MidiMessage& message : tick)
            EXPECT_NE(message.data1, 83) << "a byte of the earlier piece was played";
    EXPECT_EQ(reused.Position(), 9);
}

// Eight steps a pass keep the chords' phase, so a loop sends tick for tick
// what the pass written out three times sends: no rest at the seam, no step
// twice. A pass that ends inside a chord lets it go at the seam.
TEST(Sequencer, ALoopStrikesTheFirstStepRightAfterTheLastAsIfTheMelodyWentOn)
{
    const std::vector<std::uint8_t> pass = {72, 74, 74, 79, 72, 76, 84, 83};
    std::vector<std::uint8_t> once = {60}, thrice = {60};
    once.insert(once.end(), pass.begin(), pass.end());
    for (int i = 0; i < 3; ++i)
        thrice.insert(thrice.end(), pass.begin(), pass.end());
    Sequencer looping;
    looping.SetLooping(true);
    looping.Start(once);
    Sequencer written;
    written.Start(thrice);
    for (int tick = 1; tick <= 3 * 8; ++tick) {
        const Sequencer::Step step = looping.Tick();
        EXPECT_EQ(step.messages, written.Tick().messages) << "tick " << tick;
        EXPECT_FALSE(step.ended) << "tick " << tick;
        EXPECT_EQ(looping.Position(), (tick - 1) % 8 + 1) << "tick " << tick;
    }
    looping.Tick(), looping.Tick();
    looping.SetLooping(false);
    EXPECT_EQ(PlayToTheEnd(looping).size(), 8u) << "switched off, the pass runs on to its release and its end";

    std::vector<std::uint8_t> chordAtTheSeam(11, 76);
    chordAtTheSeam[1] = 72;
    chordAtTheSeam[9] = 84;  // G major from tick 9, still sounding at tick 10, the pass's last
    chordAtTheSeam[10] = 79;
    looping.SetLooping(true);
    looping.Start(chordAtTheSeam);
    for (int tick = 1; tick <= 10; ++tick)
        looping.Tick();
    EXPECT_EQ(looping.Tick().messages, Joined(Joined({Off(79), On(72)}, ChordOff(67, 71, 74)), ChordOn(60, 64, 67)));
    EXPECT_EQ(looping.Position(), 1);
}

// Which keys sound after these messages, by channel and note.
using Sounding = std::set<std::pair<int, int>>;
void Apply(Sounding& sounding, const Messages& messages)
{
    for (const MidiMessage& m : messages) {
        if (m.Kind() == 0x90)
            sounding.insert({m.Channel(), m.data1});
        else if (m.Kind() == 0x80)
            sounding.erase({m.Channel(), m.data1});
    }
}

// Paused after tick 10 of a 15-byte piece (whose last tick releases its
// last chord): silence; five steps back and five forward, each sounding its
// own note and the chord struck at the step of its eight that strikes one
// (none at steps 7 and 8), until let go; then the first tick after the pause
// strikes step 11 afresh and the rest is the piece's.
TEST(Sequencer, PausedAndSteppedSoundsEachStepAndLeavesNoNoteHanging)
{
    const std::vector<std::uint8_t> notes{72, 74, 74, 76, 77, 79, 79, 81, 83, 84, 72, 74, 74, 76, 77};
    Sequencer piece;
    piece.Start(notes);
    const std::vector<Messages> uninterrupted = PlayToTheEnd(piece);
    Sequencer sequencer;
    sequencer.Start(notes);
    Sounding sounding;
    for (int k = 1; k <= 10; ++k)
        Apply(sounding, sequencer.Tick().messages);
    ASSERT_FALSE(sounding.empty());
    Apply(sounding, sequencer.Pause());
    EXPECT_TRUE(sounding.empty()) << "paused, nothing sounds";
    const Sounding eMinor{{1, 64}, {1, 67}, {1, 71}};  // struck by D5 at step 1
    const Sounding gMajor{{1, 67}, {1, 71}, {1, 74}};  // struck by C6 at step 9
    const std::map<int, Sounding> chordAt{{5, eMinor}, {6, eMinor}, {7, {}}, {8, {}}, {9, gMajor}, {10, gMajor}};
    for (const int by : {-1, -1, -1, -1, -1, 1, 1, 1, 1, 1}) {
        const int target = sequencer.Position() + by;
        Apply(sounding, sequencer.StepBy(by));
        ASSERT_EQ(sequencer.Position(), target);
        Sounding expected = chordAt.at(target);
        expected.insert({0, notes[static_cast<std::size_t>(target)]});
        EXPECT_EQ(sounding, expected) << "at step " << target;
        Apply(sounding, sequencer.Release());
        EXPECT_TRUE(sounding.empty()) << "let go after step " << target;
    }
    sequencer.Resume();
    const Messages afresh = sequencer.Tick().messages;
    EXPECT_EQ(afresh, Joined({On(74)}, ChordOn(67, 71, 74))) << "step 11 with the chord still sounding there";
    Apply(sounding, afresh);
    for (std::size_t k = 12; k <= uninterrupted.size(); ++k) {
        const Messages messages = sequencer.Tick().messages;
        EXPECT_EQ(messages, uninterrupted[k - 1]) << "tick " << k << " as in the piece";
        Apply(sounding, messages);
    }
    EXPECT_TRUE(sounding.empty()) << "every note-on got its note-off";
    Sequencer first;
    first.Start(notes);
    first.Pause();
    EXPECT_TRUE(first.StepBy(-1).empty()) << "no step before the first";
}

} // namespace
