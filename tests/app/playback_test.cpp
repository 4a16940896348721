#include "controller_rig.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace {

using namespace app_test;
using Kind = RecordingMidiOut::Kind;
using Messages = std::vector<music::MidiMessage>;

// StartPiece's melody E5, G5 x 8, tick by tick. Byte 0 is never struck, so
// tick 1 strikes G5 and the chord of its position, C major on channel 1;
// the chord is released at tick 7 and G5 after the last byte, at tick 9.
const std::vector<Messages> PieceTicks{
    {{0x90, 79, 127}, {0x91, 60, 100}, {0x91, 64, 100}, {0x91, 67, 100}},
    {}, {}, {}, {}, {},
    {{0x81, 60, 0}, {0x81, 64, 0}, {0x81, 67, 0}},
    {},
    {{0x80, 79, 0}},
};

std::vector<Kind> KindsOf(const std::vector<RecordingMidiOut::Call>& calls)
{
    std::vector<Kind> kinds;
    for (const RecordingMidiOut::Call& call : calls)
        kinds.push_back(call.kind);
    return kinds;
}

const std::vector<Kind> SilenceThenClose{Kind::Silence, Kind::Close};

} // namespace

TEST(ControllerPlayback, EachTickSendsItsStepMovesThePlayheadAndTheTenthEndsThePiece)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    rig.StartPiece();
    EXPECT_EQ(c.Playhead(), (fractal::Cell{398, 0})) << "the playhead starts on the start point";
    for (int tick = 1; tick <= 9; ++tick) {
        rig.output.Clear();
        c.Tick();
        EXPECT_EQ(rig.output.Heard(), PieceTicks[tick - 1]) << "tick " << tick;
        EXPECT_EQ(rig.output.Calls().size(), PieceTicks[tick - 1].size()) << "tick " << tick << ": only sends";
        EXPECT_FLOAT_EQ(c.Progress(), tick * 100.0f / 9) << "tick " << tick;
        EXPECT_EQ(c.CurrentState(), State::Playing) << "tick " << tick;
        // The cell whose step gave the sounding note; the last keeps ringing to the end.
        const fractal::Cell playhead{399, std::min(tick - 1, 7)};
        EXPECT_EQ(c.Playhead(), playhead) << "tick " << tick;
    }

    rig.output.Clear();
    c.Tick();
    EXPECT_EQ(KindsOf(rig.output.AcceptedCalls()), SilenceThenClose) << "the end silences the output, then closes it";
    EXPECT_EQ(rig.output.Calls().size(), 2u);
    EXPECT_EQ(c.CurrentState(), State::Played);
    EXPECT_EQ(rig.Offered(), "Draw Redraw Compose SavePicture ExportMelody") << "Draw and Compose are offered again";
    EXPECT_FALSE(c.Timer().IsEnabled());
    EXPECT_EQ(c.Progress(), 100.0f);
    EXPECT_EQ(c.Playhead(), std::nullopt);

    rig.output.Clear();
    c.Tick();
    EXPECT_TRUE(rig.output.Calls().empty()) << "a tick after the end is not heard";
    EXPECT_EQ(c.Progress(), 100.0f);
}

TEST(ControllerPlayback, StopDuringAHeldNoteAndChordSilencesAndClosesWithoutNoteOffs)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    rig.StartPiece();
    c.Tick();  // G5 and the C-major chord sound
    const float shown = c.Progress();
    rig.output.Clear();
    c.StopMusic();
    EXPECT_EQ(KindsOf(rig.output.Calls()), SilenceThenClose);
    EXPECT_EQ(KindsOf(rig.output.AcceptedCalls()), SilenceThenClose) << "both reach the open device";
    EXPECT_EQ(c.CurrentState(), State::Played);
    EXPECT_EQ(rig.Offered(), "Draw Redraw Compose SavePicture ExportMelody");
    EXPECT_FALSE(c.Timer().IsEnabled());
    EXPECT_EQ(c.Progress(), shown) << "the progress stays where the piece stopped";

    rig.output.Clear();
    c.Tick();
    EXPECT_TRUE(rig.output.Calls().empty()) << "a tick after Stop is not heard";
    EXPECT_EQ(c.Progress(), shown);
}

TEST(ControllerPlayback, ASecondPiecePlaysFromItsOwnStartOnAReopenedOutput)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    rig.StartPiece();
    c.Tick();
    c.Tick();
    c.StopMusic();
    rig.output.Clear();
    c.SetLengthText(QStringLiteral("20"));
    rig.DrawAndTrace();
    c.Compose();
    c.Press(0, 0);  // along the top edge: E5 21 times
    EXPECT_EQ(c.Player().Length(), 21);
    EXPECT_EQ(c.Player().Position(), 0);
    EXPECT_TRUE(rig.output.IsOpen());
    rig.output.Clear();
    c.Tick();
    EXPECT_EQ(rig.output.Heard(), (Messages{{0x91, 67, 100}, {0x91, 71, 100}, {0x91, 74, 100}}))
        << "tick 1 strikes only the chord of E5, G major: byte 1 repeats byte 0";
}

TEST(ControllerPlayback, QuitAndClosingTheWindowSilenceAndCloseTheOutputAndEndTheSession)
{
    struct Case
    {
        const char* what;
        bool playing;
        bool byFrame;
    };
    const Case cases[] = {
        {"Quit during playback", true, false},
        {"Quit before any playback", false, false},
        {"closing the frame during playback", true, true},
        {"closing the frame before any playback", false, true},
    };
    for (const Case& row : cases) {
        ControllerRig rig;
        Controller& c = rig.controller;
        if (row.playing) {
            rig.StartPiece();
            c.Tick();
        }
        QSignalSpy quitRequests(&c, &Controller::quitRequested);
        const auto end = [&] { row.byFrame ? c.WindowClosing() : c.Quit(); };
        rig.output.Clear();
        end();
        EXPECT_EQ(KindsOf(rig.output.Calls()), SilenceThenClose) << row.what;
        EXPECT_EQ(KindsOf(rig.output.AcceptedCalls()).size(), row.playing ? 2u : 0u)
            << row.what << ": heard only when the output was open";
        EXPECT_EQ(quitRequests.count(), row.byFrame ? 0 : 1) << row.what << ": the window closes itself";
        EXPECT_TRUE(c.HasQuit()) << row.what;
        EXPECT_EQ(rig.Offered(), "") << row.what << ": nothing is offered after";
        EXPECT_FALSE(c.Timer().IsEnabled()) << row.what;

        rig.output.Clear();
        end();
        c.Quit();
        c.Tick();
        EXPECT_TRUE(rig.output.Calls().empty()) << row.what << ": nothing more after the end";
        EXPECT_EQ(quitRequests.count(), row.byFrame ? 0 : 1) << row.what << ": the quit is requested once";
    }
}

TEST(ControllerPlayback, TheMusicTimerPlaysAShortPieceToItsEndOnItsOwnAtTwoHundredMillisecondsATick)
{
    using Clock = std::chrono::steady_clock;
    ControllerRig rig;
    Controller& c = rig.controller;
    std::vector<Clock::time_point> tickTimes;
    const Clock::time_point start = Clock::now();
    rig.StartPiece();
    QObject::connect(&c, &Controller::progressChanged, [&tickTimes] { tickTimes.push_back(Clock::now()); });
    ASSERT_TRUE(c.Timer().IsEnabled());

    EXPECT_TRUE(QTest::qWaitFor([&c] { return c.CurrentState() == State::Played; }, 10000))
        << "the piece ends by itself";
    Messages expected{{0xC0, 88, 0}, {0xC1, 46, 0}};
    for (const Messages& tick : PieceTicks)
        expected.insert(expected.end(), tick.begin(), tick.end());
    EXPECT_EQ(rig.output.Heard(), expected);
    EXPECT_EQ(KindsOf(rig.output.Calls()).back(), Kind::Close);
    EXPECT_FALSE(c.Timer().IsEnabled());
    EXPECT_EQ(c.Progress(), 100.0f);
    ASSERT_EQ(tickTimes.size(), 10u) << "one progress value per tick";
    for (std::size_t k = 0; k < tickTimes.size(); ++k)
        EXPECT_GE(tickTimes[k] - start, static_cast<int>(k + 1) * std::chrono::milliseconds(200)) << "tick " << k + 1 << " came early";
}

// Paused at tick 3 (G5 and C major sounding): both are let go and the timer
// waits; a step back strikes step 2 again, lights its direction (down, from
// (399, 1) to (399, 2)) and is let go one 200 ms step later; Resume goes on
// with the timer.
TEST(ControllerPlayback, PauseLetsGoStepsSoundForAStepAndResumeGoesOnWithTheTimer)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    rig.StartPiece();
    for (int tick = 1; tick <= 3; ++tick)
        c.Tick();
    rig.output.Clear();
    c.Pause();
    EXPECT_EQ(c.CurrentState(), State::Paused);
    EXPECT_FALSE(c.Timer().IsEnabled());
    EXPECT_EQ(rig.Offered(), "Stop SavePicture ExportMelody Pause Step");
    EXPECT_EQ(rig.output.Heard(), (Messages{{0x80, 79, 0}, {0x81, 60, 0}, {0x81, 64, 0}, {0x81, 67, 0}}));
    c.Tick();
    EXPECT_EQ(c.PlayheadStep(), 3) << "a tick while paused moves nothing";

    rig.output.Clear();
    c.StepBack();
    EXPECT_EQ(c.PlayheadStep(), 2);
    EXPECT_EQ(c.Playhead(), (fractal::Cell{399, 1}));
    EXPECT_EQ(c.SoundingDirection(), std::optional<std::uint8_t>(4));
    EXPECT_EQ(rig.output.Heard(), (Messages{{0x90, 79, 127}, {0x91, 60, 100}, {0x91, 64, 100}, {0x91, 67, 100}}));
    const auto struck = rig.output.Calls().back().time;
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.output.Heard().size() == 8; }, 2000));
    EXPECT_EQ(rig.output.Calls()[4].message, (music::MidiMessage{0x80, 79, 0})) << "the step is let go";
    EXPECT_GE(rig.output.Calls()[4].time - struck, std::chrono::milliseconds(190)) << "after a step's length";

    c.Resume();
    EXPECT_EQ(c.CurrentState(), State::Playing);
    EXPECT_TRUE(c.Timer().IsEnabled());
}
