#include "e2e_support.h"
#include "reference_music.h"
#include "window_fixture.h"

#include "draw_area.h"
#include "music_timer.h"
#include "progress_bar.h"
#include "recording_midi.h"
#include "shared_state.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <string>
#include <vector>

namespace {

using recording_midi::Kind;

struct Commands
{
    bool draw;
    bool mangify;
    bool trace;
    bool compose;
    bool stopMusic;
    bool timerRuns;
    int mode;
};

constexpr Commands Idle{true, false, false, false, false, false, 0};
constexpr Commands Drawn{true, true, true, false, false, false, 0};
constexpr Commands FirstCornerSet{true, true, true, false, false, false, 1};
constexpr Commands Traced{false, false, false, true, false, false, 0};
constexpr Commands AwaitingStart{false, false, false, false, false, false, 3};
constexpr Commands Playing{false, false, false, false, true, true, 0};

double Milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// What one tick of the real timer left behind, seen right after it.
struct TickSeen
{
    int playPosition;
    bool draw;
    bool stopMusic;
    bool timerRuns;
    float progress;
    std::chrono::steady_clock::time_point time;
    std::size_t callsSoFar;
};

class WholeCycle : public WindowFixture
{
protected:
    void ExpectCommands(const std::string& after, const Commands& expected)
    {
        auto state = [](bool enabled) { return enabled ? "enabled" : "disabled"; };
        EXPECT_EQ(form->Draw()->isEnabled(), expected.draw) << "after " << after << ", Draw should be " << state(expected.draw);
        EXPECT_EQ(form->Mangify()->isEnabled(), expected.mangify)
            << "after " << after << ", Magnify should be " << state(expected.mangify);
        EXPECT_EQ(form->Trace()->isEnabled(), expected.trace) << "after " << after << ", Trace should be " << state(expected.trace);
        EXPECT_EQ(form->Compose()->isEnabled(), expected.compose)
            << "after " << after << ", Compose should be " << state(expected.compose);
        EXPECT_EQ(form->StopMusic()->isEnabled(), expected.stopMusic)
            << "after " << after << ", Stop Music should be " << state(expected.stopMusic);
        EXPECT_TRUE(form->Quit()->isEnabled()) << "after " << after << ", Quit should always be enabled";
        EXPECT_EQ(form->Timer()->IsEnabled(), expected.timerRuns)
            << "after " << after << ", the music timer should " << (expected.timerRuns ? "run" : "be stopped");
        EXPECT_EQ(InteractionMode, expected.mode) << "after " << after << ", the interaction mode should be " << expected.mode;
    }

    void WatchTicks()
    {
        QObject::connect(form->Timer(), &MusicTimer::Tick, form.get(), [this] {
            ticks.push_back({PlayPosition, form->Draw()->isEnabled(), form->StopMusic()->isEnabled(),
                             form->Timer()->IsEnabled(), form->Progress()->Value(), std::chrono::steady_clock::now(),
                             recording_midi::Calls().size()});
        });
    }

    std::vector<std::uint8_t> CurrentMelody() const
    {
        return {Melody.begin(), Melody.begin() + MelodyLength};
    }

    // Every tick of a piece against the reference: its position, the buttons,
    // the bar, its messages and its time after the piece began.
    void ExpectTicksOfPiece(const std::vector<std::uint8_t>& melody, std::size_t firstTick, std::size_t tickCount,
                            std::size_t callsBeforeFirstTick, std::chrono::steady_clock::time_point started)
    {
        const int length = static_cast<int>(melody.size());
        const auto expected = reference::TickMessages(melody);
        const auto& calls = recording_midi::Calls();
        std::size_t callsBefore = callsBeforeFirstTick;
        for (std::size_t i = 0; i < tickCount; ++i) {
            const TickSeen& seen = ticks[firstTick + i];
            const int k = static_cast<int>(i) + 1;
            const bool ending = k == length + 1;
            EXPECT_EQ(seen.playPosition, ending ? length : k) << "tick " << k << " should bring the play position there";
            EXPECT_EQ(seen.stopMusic, !ending) << "tick " << k << ": Stop Music enabled exactly while playing";
            EXPECT_EQ(seen.timerRuns, !ending) << "tick " << k << ": the timer runs exactly while playing";
            EXPECT_EQ(seen.draw, ending) << "tick " << k << ": Draw comes back only with the ending tick";
            EXPECT_FLOAT_EQ(seen.progress, static_cast<float>(double(ending ? length : k) / length * 100.0))
                << "tick " << k << " should show the position as a share of the melody";
            EXPECT_GE(Milliseconds(seen.time - started), k * 200.0 - 1.0)
                << "tick " << k << " must not come before " << k * 200 << " ms into the piece";

            std::vector<std::uint32_t> sent;
            for (std::size_t c = callsBefore; c < seen.callsSoFar; ++c) {
                if (calls[c].kind == Kind::ShortMsg)
                    sent.push_back(calls[c].word);
            }
            EXPECT_EQ(sent, expected[i]) << "tick " << k << " should send " << reference::DescribeWords(expected[i])
                                         << " but sent " << reference::DescribeWords(sent);
            callsBefore = seen.callsSoFar;
        }
    }

    std::vector<TickSeen> ticks;
};

std::vector<reference::Heard> AcceptedFrom(std::size_t first)
{
    const auto accepted = recording_midi::AcceptedCalls();
    return reference::HeardOf({accepted.begin() + static_cast<std::ptrdiff_t>(std::min(first, accepted.size())), accepted.end()});
}

Grid WithoutVisited(Grid grid, const reference::WalkResult& walk)
{
    for (const auto& [x, y] : walk.visited)
        grid[x][y] = 0;
    return grid;
}

int CountNonZero(const Grid& grid)
{
    int count = 0;
    for (const auto& column : grid) {
        for (const auto cell : column)
            count += cell != 0;
    }
    return count;
}

bool EdgeRowAndColumnAreClear(const Grid& grid)
{
    for (int i = 0; i <= 400; ++i) {
        if (grid[400][i] != 0 || grid[i][400] != 0)
            return false;
    }
    return true;
}

TEST_F(WholeCycle, TwoCyclesFromStartUpToQuitFollowTheCommandTableAndSoundExactlyTheWalkedMelody)
{
    WatchTicks();

    // Start-up.
    ExpectCommands("start-up", Idle);
    EXPECT_EQ(form->Seido()->currentIndex(), 1) << "the accuracy list starts on 中";
    EXPECT_EQ(form->Length()->text(), QStringLiteral("400")) << "the length box starts with 400";
    EXPECT_FALSE(form->Area()->IsLineVisible()) << "the magnification line starts hidden";
    EXPECT_TRUE(recording_midi::Calls().empty()) << "start-up touches no MIDI output";

    // Changing the accuracy alone draws nothing and changes no command.
    form->Seido()->setFocus();
    QTest::keyClick(form->Seido(), Qt::Key_Up);
    ASSERT_EQ(form->Seido()->currentIndex(), 0) << "the up key should select 低";
    ExpectCommands("changing the accuracy", Idle);
    EXPECT_EQ(CountNonZero(ColorGrid), 0) << "choosing an accuracy renders nothing";

    // Draw All Area.
    Click(form->Draw());
    ExpectCommands("Draw All Area", Drawn);
    EXPECT_EQ(MaxIterations, 10) << "低 renders with 10 iterations";
    EXPECT_EQ(ColorGrid[0][0], 0x000000FF) << "pixel (0, 0) escapes at once and is red";
    EXPECT_EQ(ColorGrid[200][200], 0) << "pixel (200, 200) lies in the set";

    // Magnify: the hint, then two presses with the red line following the pointer.
    Click(form->Mangify());
    ASSERT_EQ(messages->Texts().size(), 1u) << "Magnify Area shows its hint";
    EXPECT_EQ(messages->Texts().back(), "Click begin point and end point to magnify.");
    ExpectCommands("Magnify Area", Drawn);

    PressAt(100, 100);
    ExpectCommands("the first corner", FirstCornerSet);
    EXPECT_TRUE(form->Area()->IsLineVisible()) << "the first corner shows the red line";
    EXPECT_EQ(form->Area()->Line(), QLineF(100, 100, 100, 100)) << "the line starts and ends at the first corner";
    for (const QPointF to : {QPointF(150, 120), QPointF(220.5, 199.25), QPointF(300, 260)}) {
        MoveTo(to.x(), to.y());
        EXPECT_EQ(form->Area()->Line().p2(), to) << "the line's end follows the pointer";
        EXPECT_EQ(form->Area()->Line().p1(), QPointF(100, 100)) << "the line's start stays at the first corner";
        EXPECT_EQ(InteractionMode, 1) << "moving keeps the first corner pending";
    }
    PressAt(300, 260);
    ExpectCommands("the second corner", Drawn);
    EXPECT_FALSE(form->Area()->IsLineVisible()) << "the second corner hides the red line";
    EXPECT_NEAR(View.XMin, -1.325, 1e-12) << "the view's left edge is the first corner";
    EXPECT_NEAR(View.YMin, -0.725, 1e-12) << "the view's top edge is the first corner";
    EXPECT_NEAR(View.XMax, 0.025, 1e-12) << "the view keeps the dragged width";
    EXPECT_NEAR(View.YMax, 0.625, 1e-12) << "the height grows to the width";

    // Trace Outline.
    Click(form->Trace());
    ExpectCommands("Trace Outline", Traced);
    EXPECT_GT(CountNonZero(OutlineGrid), 0) << "the magnified view has an outline";
    EXPECT_TRUE(EdgeRowAndColumnAreClear(OutlineGrid)) << "the 401st row and column hold no outline";

    // Compose Music.
    messages->Clear();
    Click(form->Compose());
    ExpectCommands("Compose Music", AwaitingStart);
    ASSERT_EQ(messages->Texts().size(), 1u) << "Compose Music asks for a start point";
    EXPECT_EQ(messages->Texts().back(), "Please, click a point on the outline!");

    // A press off the outline.
    const Grid outlineBeforeMiss = OutlineGrid;
    const auto miss = e2e::CellOffTheOutline(OutlineGrid);
    ASSERT_TRUE(miss) << "the magnified outline should leave somewhere to miss it";
    PressAt(miss->x, miss->y);
    ASSERT_EQ(messages->Texts().size(), 2u) << "a press off the outline is reported";
    EXPECT_EQ(messages->Texts().back(), "Clicked point is not on the outline!");
    ExpectCommands("a press off the outline", AwaitingStart);
    EXPECT_TRUE(OutlineGrid == outlineBeforeMiss) << "a missed press consumes no outline";
    EXPECT_TRUE(recording_midi::Calls().empty()) << "a missed press touches no MIDI output";

    // A press on the outline with a short length starts the piece.
    TypeLength(QStringLiteral("14"));
    const auto start = e2e::StartOfAVariedWalk(OutlineGrid, 14, 3);
    ASSERT_TRUE(start) << "the magnified outline should hold a walk of 14 steps";
    const Grid outlineBeforeWalk = OutlineGrid;
    const auto walk = reference::Walk(outlineBeforeWalk, start->x, start->y, 14);
    const auto firstMelody = reference::NotesOf(walk.directions);
    PressAt(start->x, start->y);
    ASSERT_FALSE(recording_midi::Calls().empty()) << "the completed walk opens the output";
    const auto firstStarted = recording_midi::Calls().back().time;
    const std::size_t callsBeforeFirstTick = recording_midi::Calls().size();
    ExpectCommands("the walk completed", Playing);
    EXPECT_EQ(messages->Texts().size(), 2u) << "a completed walk shows no message";
    ASSERT_EQ(MelodyLength, 15) << "a length of 14 gives 15 melody bytes";
    EXPECT_EQ(CurrentMelody(), firstMelody) << "the melody is the reference walk's directions as notes";
    EXPECT_EQ(PlayPosition, 0) << "playback starts at position 0";
    EXPECT_EQ(form->Length()->text(), QStringLiteral("14")) << "an accepted length stays as typed";
    EXPECT_TRUE(OutlineGrid == WithoutVisited(outlineBeforeWalk, walk)) << "the walk consumes exactly the cells it visited";

    // Every tick through the real timer, up to the automatic end.
    ASSERT_TRUE(e2e::WaitUntil([&] { return !form->StopMusic()->isEnabled(); }, 16 * 200 + 10000))
        << "the piece of 15 bytes should end by itself within its 3.2 s and a generous margin";
    ASSERT_EQ(ticks.size(), 16u) << "a melody of 15 bytes takes 15 ticks and one ending tick";
    ExpectTicksOfPiece(firstMelody, 0, 16, callsBeforeFirstTick, firstStarted);
    ExpectCommands("the melody played to its end", Idle);
    EXPECT_LT(Milliseconds(ticks.back().time - firstStarted), 16 * 200.0 + 5000.0)
        << "the ending tick should come near 3.2 s";

    const auto firstPiece = reference::WholePiece(firstMelody);
    EXPECT_EQ(AcceptedFrom(0), firstPiece) << "the output should hear exactly\n"
                                           << reference::Describe(firstPiece) << "\nbut heard\n"
                                           << reference::Describe(AcceptedFrom(0));
    const auto accepted = recording_midi::AcceptedCalls();
    ASSERT_GE(accepted.size(), 2u);
    EXPECT_EQ(accepted[1].word, 0xFFFFFFFFu) << "the default output is opened";
    for (const auto& call : accepted) {
        if (call.kind != Kind::GetNumDevs && call.kind != Kind::Open) {
            EXPECT_EQ(call.handle, accepted[1].handle) << "every message goes to the handle that was opened";
        }
    }

    // No tick follows the end.
    const std::size_t callsAtEnd = recording_midi::Calls().size();
    QTest::qWait(450);
    EXPECT_EQ(ticks.size(), 16u) << "no tick runs after the timer stopped";
    EXPECT_EQ(recording_midi::Calls().size(), callsAtEnd) << "nothing is sent after the piece ended";

    // Second cycle, at 高, on the default view again.
    QTest::keyClick(form->Seido(), Qt::Key_Down);
    QTest::keyClick(form->Seido(), Qt::Key_Down);
    ASSERT_EQ(form->Seido()->currentIndex(), 2) << "two down keys from 低 select 高";
    Click(form->Draw());
    ExpectCommands("Draw All Area once more", Drawn);
    EXPECT_EQ(MaxIterations, 100) << "高 renders with 100 iterations";
    EXPECT_EQ(View.XMin, -2.0) << "Draw returns to the default view";
    EXPECT_EQ(View.YMax, 1.3) << "Draw returns to the default view";
    Click(form->Trace());
    ExpectCommands("the second Trace Outline", Traced);
    Click(form->Compose());
    ExpectCommands("the second Compose Music", AwaitingStart);
    TypeLength(QStringLiteral("8"));

    // A walk that gets stuck at its start.
    messages->Clear();
    const std::size_t callsBeforeSecond = recording_midi::Calls().size();
    const auto stuck = e2e::StartOfAFailingWalk(OutlineGrid, 8);
    ASSERT_TRUE(stuck) << "the outline at 高 should hold a fragment too short for a walk of 8 steps";
    const auto failingWalk = reference::Walk(OutlineGrid, stuck->x, stuck->y, 8);
    PressAt(stuck->x, stuck->y);
    ASSERT_EQ(messages->Texts().size(), 1u) << "a failed walk is reported";
    EXPECT_EQ(messages->Texts().back(), "輪郭線のトレースに失敗しました。");
    ExpectCommands("the walk failed", AwaitingStart);
    EXPECT_EQ(MelodyLength, static_cast<int>(failingWalk.directions.size()))
        << "the failed walk keeps the bytes of the steps it completed";
    EXPECT_EQ(recording_midi::Calls().size(), callsBeforeSecond) << "a failed walk touches no MIDI output";

    // A new start point on what is left, then Stop Music after three ticks.
    const auto secondStart = e2e::StartOfAVariedWalk(OutlineGrid, 8, 2);
    ASSERT_TRUE(secondStart) << "the outline at 高 should hold a walk of 8 steps";
    const auto secondMelody = reference::NotesOf(reference::Walk(OutlineGrid, secondStart->x, secondStart->y, 8).directions);
    const std::size_t ticksBeforeSecond = ticks.size();
    PressAt(secondStart->x, secondStart->y);
    ASSERT_GT(recording_midi::Calls().size(), callsBeforeSecond) << "the second walk opens the output";
    const auto secondStarted = recording_midi::Calls().back().time;
    const std::size_t callsBeforeSecondTick = recording_midi::Calls().size();
    ExpectCommands("the second walk completed", Playing);
    ASSERT_EQ(MelodyLength, 9) << "a length of 8 gives 9 melody bytes";
    EXPECT_EQ(CurrentMelody(), secondMelody) << "the second melody is its own walk's notes";
    ASSERT_TRUE(e2e::WaitUntil([&] { return PlayPosition >= 3; }, 3 * 200 + 10000)) << "three ticks should come";
    const int stoppedAt = PlayPosition;
    ASSERT_LT(stoppedAt, 9) << "the piece should still be playing when Stop Music is clicked";
    const float progressAtStop = form->Progress()->Value();
    Click(form->StopMusic());
    ExpectCommands("Stop Music", Idle);
    EXPECT_EQ(PlayPosition, stoppedAt) << "Stop Music keeps the play position";
    EXPECT_FLOAT_EQ(form->Progress()->Value(), progressAtStop) << "Stop Music keeps the bar where it was";
    ASSERT_EQ(ticks.size(), ticksBeforeSecond + static_cast<std::size_t>(stoppedAt)) << "one tick per position reached";
    ExpectTicksOfPiece(secondMelody, ticksBeforeSecond, static_cast<std::size_t>(stoppedAt), callsBeforeSecondTick,
                       secondStarted);

    auto secondPiece = reference::WholePiece(secondMelody);
    std::vector<reference::Heard> expectedSecond(secondPiece.begin(), secondPiece.begin() + 4);
    const auto tickMessages = reference::TickMessages(secondMelody);
    for (int k = 0; k < stoppedAt; ++k) {
        for (const auto word : tickMessages[static_cast<std::size_t>(k)])
            expectedSecond.push_back({Kind::ShortMsg, word});
    }
    expectedSecond.push_back({Kind::Reset, 0});
    expectedSecond.push_back({Kind::Close, 0});
    EXPECT_EQ(AcceptedFrom(firstPiece.size()), expectedSecond)
        << "the stopped piece should sound the ticks it reached, then reset and close:\n"
        << reference::Describe(expectedSecond) << "\nbut heard\n"
        << reference::Describe(AcceptedFrom(firstPiece.size()));

    const std::size_t callsAtStop = recording_midi::Calls().size();
    QTest::qWait(450);
    EXPECT_EQ(ticks.size(), ticksBeforeSecond + static_cast<std::size_t>(stoppedAt)) << "no tick runs after Stop Music";
    EXPECT_EQ(recording_midi::Calls().size(), callsAtStop) << "nothing is sent after Stop Music";

    // Quit.
    const std::size_t acceptedBeforeQuit = recording_midi::AcceptedCalls().size();
    Click(form->Quit());
    EXPECT_TRUE(form->IsUnloaded()) << "Quit unloads the window";
    EXPECT_FALSE(form->isVisible()) << "Quit closes the window";
    EXPECT_FALSE(form->Timer()->IsEnabled()) << "no timer outlives the window";
    EXPECT_FALSE(recording_midi::IsOpen()) << "the output is closed after Quit";
    EXPECT_EQ(recording_midi::AcceptedCalls().size(), acceptedBeforeQuit)
        << "with nothing open, Quit's reset and close have no effect";
    ASSERT_GE(recording_midi::Calls().size(), 2u);
    EXPECT_EQ(recording_midi::Calls().end()[-2].kind, Kind::Reset) << "Quit resets the output";
    EXPECT_EQ(recording_midi::Calls().end()[-1].kind, Kind::Close) << "then closes it";

    EXPECT_TRUE(reference::NotesLeftSoundingAtClose(recording_midi::AcceptedCalls()).empty())
        << "no note is left sounding when the output closes";
}

} // namespace
