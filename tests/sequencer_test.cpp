#include "midi_control.h"
#include "music_timer.h"
#include "outline.h"
#include "progress_bar.h"
#include "recording_midi.h"
#include "sequencer.h"
#include "shared_state.h"
#include "window_fixture.h"

#include <QTest>

#include <string>
#include <vector>

namespace {

using recording_midi::Kind;

constexpr std::uint32_t ResetCall = 0xFFFF0001;
constexpr std::uint32_t CloseCall = 0xFFFF0002;

std::uint32_t On(std::uint8_t note, std::uint8_t velocity = 127, std::uint8_t channel = 0)
{
    return NoteOnWord(note, velocity, channel);
}

std::uint32_t Off(std::uint8_t note, std::uint8_t channel = 0)
{
    return NoteOffWord(note, channel);
}

class SequencerTest : public WindowFixture
{
protected:
    // The state a completed walk leaves: melody in place, output open with
    // both instruments, Stop Music available, the timer running.
    void StartPiece(const std::vector<std::uint8_t>& melody)
    {
        std::copy(melody.begin(), melody.end(), Melody.begin());
        MelodyLength = static_cast<std::int16_t>(melody.size());
        form->Draw()->setEnabled(false);
        OpenMidi();
        ProgramChange(88, 0);
        ProgramChange(46, 1);
        form->StopMusic()->setEnabled(true);
        form->Timer()->SetEnabled(true);
        PlayPosition = 0;
        recording_midi::Clear();
    }

    // What a tick made the platform do, accepted calls only, resets and
    // closes as markers.
    static std::vector<std::uint32_t> Heard()
    {
        std::vector<std::uint32_t> heard;
        for (const auto& call : recording_midi::AcceptedCalls()) {
            if (call.kind == Kind::ShortMsg)
                heard.push_back(call.word);
            else if (call.kind == Kind::Reset)
                heard.push_back(ResetCall);
            else if (call.kind == Kind::Close)
                heard.push_back(CloseCall);
        }
        return heard;
    }

    std::vector<std::uint32_t> Tick()
    {
        recording_midi::Clear();
        MusicTimerTick();
        return Heard();
    }

    void ExpectStopped()
    {
        EXPECT_FALSE(form->Timer()->IsEnabled());
        EXPECT_FALSE(form->StopMusic()->isEnabled());
        EXPECT_TRUE(form->Draw()->isEnabled());
        EXPECT_FALSE(recording_midi::IsOpen());
    }
};

using Words = std::vector<std::uint32_t>;

} // namespace

TEST_F(SequencerTest, TheWorkedExamplePlaysMessageByMessage)
{
    StartPiece({72, 72, 76, 76, 76, 79, 81, 81, 84});
    const Words chordOn72{On(60, 100, 1), On(64, 100, 1), On(67, 100, 1)};
    const Words chordOff72{Off(60, 1), Off(64, 1), Off(67, 1)};
    const std::vector<Words> ticks{
        chordOn72,
        {Off(72), On(76)},
        {},
        {},
        {Off(76), On(79)},
        {Off(79), On(81)},
        chordOff72,
        {Off(81), On(84)},
        {Off(84)},
        {ResetCall, CloseCall},
    };
    const float progress[] = {11.111111f, 22.222222f, 33.333332f, 44.444443f, 55.555557f,
                              66.666664f, 77.77778f,  88.888885f, 100.0f,     100.0f};
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        EXPECT_EQ(Tick(), ticks[k]) << "tick " << k + 1;
        EXPECT_FLOAT_EQ(form->Progress()->Value(), progress[k]) << "tick " << k + 1;
        EXPECT_EQ(PlayPosition, std::min<int>(int(k) + 1, 9)) << "tick " << k + 1;
    }
    EXPECT_EQ(ChordRoot, 72);
    ExpectStopped();
}

TEST_F(SequencerTest, ProgressIsThePositionOverTheLengthAsASinglePrecisionNumber)
{
    StartPiece(std::vector<std::uint8_t>(9, 72));
    Tick();
    EXPECT_EQ(form->Progress()->Value(), static_cast<float>(1.0 / 9 * 100));
}

TEST_F(SequencerTest, AMelodyOfEqualBytesSoundsOnlyItsChordsAndOneFinalRelease)
{
    StartPiece(std::vector<std::uint8_t>(17, 79));
    const Words chordOn{On(60, 100, 1), On(64, 100, 1), On(67, 100, 1)};
    const Words chordOff{Off(60, 1), Off(64, 1), Off(67, 1)};
    for (int k = 1; k <= 18; ++k) {
        Words expected;
        if (k == 1 || k == 9)
            expected = chordOn;
        else if (k == 7 || k == 15)
            expected = chordOff;
        else if (k == 17)
            expected = {Off(79)};
        else if (k == 18)
            expected = {ResetCall, CloseCall};
        EXPECT_EQ(Tick(), expected) << "tick " << k;
    }
}

TEST_F(SequencerTest, TheLastTickOfADefaultLengthPieceStrikesNothing)
{
    std::vector<std::uint8_t> melody(401);
    for (std::size_t i = 0; i < melody.size(); ++i)
        melody[i] = static_cast<std::uint8_t>(72 + i % 2 * 2);  // 72, 74, 72, 74...
    StartPiece(melody);
    for (int k = 1; k < 401; ++k)
        Tick();
    EXPECT_EQ(Tick(), Words{Off(72)}) << "tick 401 releases byte 400 and strikes no chord";
    EXPECT_EQ(form->Progress()->Value(), 100.0f);
    EXPECT_EQ(Tick(), (Words{ResetCall, CloseCall}));
    EXPECT_EQ(form->Progress()->Value(), 100.0f);
    ExpectStopped();
}

TEST_F(SequencerTest, WhenTheLengthEndsOnAReleasePositionBothReleasesCome)
{
    std::vector<std::uint8_t> melody(15, 76);
    melody[9] = 84;  // the chord struck at 9 is G major
    melody[14] = 81;
    StartPiece(melody);
    for (int k = 1; k < 15; ++k)
        Tick();
    EXPECT_EQ(Tick(), (Words{Off(81), Off(67, 1), Off(71, 1), Off(74, 1)}));
    EXPECT_EQ(Tick(), (Words{ResetCall, CloseCall}));
}

TEST_F(SequencerTest, AShorterPieceAfterALongerOnePlaysOnlyItsOwnBytes)
{
    StartPiece(std::vector<std::uint8_t>(30, 83));
    for (int k = 1; k <= 31; ++k)
        Tick();
    std::vector<std::uint8_t> shorter(9, 72);
    StartPiece(shorter);
    Words all;
    for (int k = 1; k <= 10; ++k) {
        const Words heard = Tick();
        all.insert(all.end(), heard.begin(), heard.end());
    }
    for (const auto word : all)
        EXPECT_NE((word >> 8) & 0xFF, 83u) << "a byte of the earlier melody was played";
    EXPECT_EQ(PlayPosition, 9);
}

TEST_F(SequencerTest, StopSilencesAtOnceThroughTheResetAlone)
{
    StartPiece({72, 72, 76, 76, 76, 79, 81, 81, 84});
    Tick();
    Tick();  // 76 is held and the chord sounds
    const float shown = form->Progress()->Value();
    recording_midi::Clear();
    Click(form->StopMusic());
    EXPECT_EQ(Heard(), (Words{ResetCall, CloseCall}));
    ExpectStopped();
    EXPECT_EQ(form->Progress()->Value(), shown);
    EXPECT_EQ(PlayPosition, 2);
    EXPECT_EQ(ChordRoot, 72);
}

TEST_F(SequencerTest, QuitDuringPlaybackClosesTheOutputAndNoTickFollows)
{
    StartPiece(std::vector<std::uint8_t>(20, 76));
    Tick();
    recording_midi::Clear();
    Click(form->Quit());
    EXPECT_EQ(Heard(), (Words{ResetCall, CloseCall}));
    EXPECT_TRUE(form->IsUnloaded());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Timer()->IsEnabled());
    QTest::qWait(450);
    EXPECT_TRUE(Heard() == (Words{ResetCall, CloseCall})) << "no tick after the window is gone";
}

TEST_F(SequencerTest, QuitBeforeAnyPlaybackClosesNothingAndEndsTheWindow)
{
    Click(form->Quit());
    EXPECT_TRUE(Heard().empty());
    ASSERT_EQ(recording_midi::Calls().size(), 2u) << "the reset and close are still asked for";
    EXPECT_EQ(recording_midi::Calls()[0].kind, Kind::Reset);
    EXPECT_EQ(recording_midi::Calls()[1].kind, Kind::Close);
    EXPECT_TRUE(form->IsUnloaded());
}

TEST_F(SequencerTest, ClosingTheWindowByItsFrameSilencesAndClosesTheOutput)
{
    StartPiece(std::vector<std::uint8_t>(20, 76));
    Tick();
    Tick();
    recording_midi::Clear();
    form->close();
    EXPECT_EQ(Heard(), (Words{ResetCall, CloseCall}));
    EXPECT_FALSE(form->Timer()->IsEnabled());
    EXPECT_FALSE(recording_midi::IsOpen());
}

TEST_F(SequencerTest, WithoutADeviceThePieceRunsItsCourseSilently)
{
    recording_midi::SetDeviceCount(0);
    StartPiece(std::vector<std::uint8_t>{72, 74, 76, 77, 79, 81, 83, 84, 72});
    EXPECT_EQ(messages->Texts(), std::vector<std::string>{"使用できるMIDIデバイスがありません．"});
    for (int k = 1; k <= 9; ++k) {
        EXPECT_TRUE(Tick().empty()) << "tick " << k;
        EXPECT_TRUE(form->StopMusic()->isEnabled()) << "tick " << k;
        EXPECT_FLOAT_EQ(form->Progress()->Value(), float(k / 9.0 * 100)) << "tick " << k;
    }
    EXPECT_TRUE(Tick().empty());
    ExpectStopped();
}

TEST_F(SequencerTest, ThePiecePlaysThroughTheRealTimerAndEndsByItself)
{
    Click(form->Draw());
    Click(form->Trace());
    OutlineGrid = Grid{};
    for (int x = 10; x < 40; ++x)
        OutlineGrid[x][10] = OutlineWhite;
    TypeLength("8");
    Click(form->Compose());
    recording_midi::Clear();
    std::vector<float> progress;
    QObject::connect(form->Progress(), &ProgressBar::ValueSet, [&progress](float v) { progress.push_back(v); });
    PressAt(10, 10);
    ASSERT_TRUE(form->Timer()->IsEnabled());

    EXPECT_TRUE(QTest::qWaitFor([&] { return form->Draw()->isEnabled(); }, 10000)) << "the piece ends by itself";
    ExpectStopped();
    // Nine bytes of E5 (moving right): the chord of 76 is G major.
    const Words expected{
        ProgramChangeWord(88, 0), ProgramChangeWord(46, 1),
        On(67, 100, 1), On(71, 100, 1), On(74, 100, 1),  // tick 1
        Off(67, 1), Off(71, 1), Off(74, 1),              // tick 7
        Off(76),                                         // tick 9: the run's release
        ResetCall, CloseCall,                            // tick 10
    };
    EXPECT_EQ(Heard(), expected);
    EXPECT_EQ(progress.size(), 10u) << "one progress value per tick";
    EXPECT_EQ(progress.back(), 100.0f);
}
