// Two whole cycles on the real window, driven by widget events only: every
// step's offered commands against the command model, and the complete MIDI
// stream against the reference sequencer.

#include "command_model.h"
#include "e2e_support.h"
#include "reference_music.h"
#include "session.h"

#include "main_window.h"
#include "picture_view.h"
#include "progress_bar.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

#include <chrono>

namespace {

using Outcome = CommandModel::StartOutcome;
using Clock = std::chrono::steady_clock;

// What the window showed right after one tick of the real timer.
struct TickSeen
{
    int position;
    Commands offered;
    bool timerRuns;
    float progress;
    Clock::time_point time;
    std::size_t callsSoFar;
};

class WholeCycle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(area->size(), QSize(400, 400)) << "presses below are given in picture coordinates";
        QObject::connect(&controller.Timer(), &MusicTimer::Tick, [this] {
            ticks.push_back({controller.Player().Position(), controller.Offered(), controller.Timer().IsEnabled(),
                             window.Progress()->Value(), Clock::now(), session.output.Calls().size()});
        });
    }

    void ExpectOffered(const char* after)
    {
        const Commands expected = model.Offered();
        EXPECT_EQ(controller.Offered(), expected) << "after " << after;
        EXPECT_EQ(controller.CurrentState(), model.ExpectedState()) << "after " << after;
        EXPECT_EQ(controller.Timer().IsEnabled(), expected.stopMusic) << "after " << after << ": the timer runs while Stop is offered";
        // The window shows exactly what is offered; Quit always.
        const Commands shown{.draw = window.DrawButton()->isEnabled(),
                             .magnify = window.MagnifyButton()->isEnabled(),
                             .trace = window.TraceButton()->isEnabled(),
                             .compose = window.ComposeButton()->isEnabled(),
                             .stopMusic = window.StopMusicButton()->isEnabled(),
                             .back = window.BackAction()->isEnabled(),
                             .redraw = window.RedrawAction()->isEnabled(),
                             .cancel = window.CancelAction()->isEnabled(),
                             .savePicture = window.SavePictureAction()->isEnabled(),
                             .exportMelody = window.ExportMelodyAction()->isEnabled(),
                             .zoom = window.ZoomInAction()->isEnabled(),
                             .pan = window.PanActions().front()->isEnabled(),
                             .pause = window.PauseAction()->isEnabled(),
                             .step = window.StepForwardAction()->isEnabled()};
        EXPECT_EQ(shown, expected) << "the window after " << after;
        EXPECT_TRUE(window.QuitButton()->isEnabled() && window.QuitAction()->isEnabled()) << "after " << after;
    }

    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void Press(QPointF at) { e2e::PressOn(area, at); }

    void TypeLength(const QString& text)
    {
        QLineEdit* box = window.LengthBox();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
        ASSERT_EQ(box->text(), text);
    }

    void ExpectView(double xMin, double xMax, double yMin, double yMax)
    {
        const fractal::View& view = controller.CurrentView();
        EXPECT_NEAR(view.xMin, xMin, 1e-12);
        EXPECT_NEAR(view.xMax, xMax, 1e-12);
        EXPECT_NEAR(view.yMin, yMin, 1e-12);
        EXPECT_NEAR(view.yMax, yMax, 1e-12);
    }

    // Drags from the first corner to the second through a few sub-pixel
    // moves; the red line must follow the pointer from the first corner.
    void Magnify()
    {
        const QPointF first(100.25, 100.5);
        Press(first);
        model.Press();
        ExpectOffered("the first corner");
        EXPECT_TRUE(area->IsRubberBandVisible());
        const auto cell = [](QPointF p) { return QPointF(std::floor(p.x()), std::floor(p.y())); };
        EXPECT_EQ(area->RubberBandLine(), QLineF(cell(first), cell(first)))
            << "the red line starts as a point at the first corner's cell";
        for (const QPointF to : {QPointF(150.5, 120.25), QPointF(220.5, 199.75), QPointF(300.75, 260.5)}) {
            e2e::Pointer(area, QEvent::MouseMove, to);
            EXPECT_EQ(area->RubberBandLine(), QLineF(cell(first), cell(to)))
                << "the red line runs from the first corner's cell to the pointer's";
        }
        ExpectOffered("moving the pointer");
        Press(QPointF(300.75, 260.5));
        model.Press();
        ExpectOffered("the second corner");
        EXPECT_FALSE(area->IsRubberBandVisible());
        // Corners at the cells (100, 100) and (300, 260): x = -2 + 0.00675 X and
        // y = -1.4 + 0.00675 Y; the height grows from the first corner to the dragged width.
        ExpectView(-1.325, 0.025, -0.725, -0.725 + 1.35);
    }

    // The outline as the trace rule has it, shown white on black.
    void ExpectTracedOutline()
    {
        EXPECT_TRUE(controller.Outline() == reference::OutlineOf(controller.Colours()));
        const QImage image = area->Image();
        int wrong = 0;
        for (int x = 0; x <= 400; ++x) {
            for (int y = 0; y <= 400; ++y) {
                const bool marked = controller.Outline().At(x, y) == reference::White;
                if (x == 400 || y == 400)
                    wrong += controller.Outline().At(x, y) != 0 || controller.Colours().At(x, y) != 0;
                else
                    wrong += image.pixel(x, y) != (marked ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
            }
        }
        EXPECT_EQ(wrong, 0) << "cells shown otherwise than traced, or marked in the 401st row or column";
    }

    // Each tick from `first` on: its position, the offered commands, the
    // bar, its time after the piece began, and exactly its messages.
    void ExpectTicks(const std::vector<std::uint8_t>& melody, std::size_t first, std::size_t callsAtStart,
                     Clock::time_point started)
    {
        const int size = static_cast<int>(melody.size());
        const auto expected = reference::TickMessages(melody);
        std::size_t callsBefore = callsAtStart;
        for (std::size_t i = first; i < ticks.size(); ++i) {
            const TickSeen& seen = ticks[i];
            const int k = static_cast<int>(i - first) + 1;
            const bool ending = k == size + 1;
            const int position = ending ? size : k;
            EXPECT_EQ(seen.position, position) << "tick " << k;
            EXPECT_EQ(seen.offered.stopMusic, !ending) << "tick " << k << ": Stop is offered until the piece ends";
            EXPECT_EQ(seen.offered.draw, ending) << "tick " << k << ": Draw returns with the ending tick";
            EXPECT_EQ(seen.timerRuns, !ending) << "tick " << k;
            EXPECT_EQ(seen.progress, static_cast<float>(double(position) / size * 100.0)) << "tick " << k;
            const double sinceStart = std::chrono::duration<double, std::milli>(seen.time - started).count();
            EXPECT_GE(sinceStart, k * 200.0 - 1.0) << "tick " << k << " came before its slot";
            std::vector<music::MidiMessage> sent;
            for (std::size_t c = callsBefore; c < seen.callsSoFar; ++c) {
                if (session.output.Calls()[c].kind == RecordingMidiOut::Kind::Send)
                    sent.push_back(session.output.Calls()[c].message);
            }
            EXPECT_EQ(sent, expected[static_cast<std::size_t>(k) - 1]) << "the messages of tick " << k;
            callsBefore = seen.callsSoFar;
        }
    }

    void ExpectNothingAfterTheEnd()
    {
        const std::size_t calls = session.output.Calls().size();
        const std::size_t seen = ticks.size();
        QTest::qWait(450);
        EXPECT_EQ(ticks.size(), seen) << "no tick follows the end";
        EXPECT_EQ(session.output.Calls().size(), calls) << "nothing is sent after the end";
    }

    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const QString& text : session.messages)
            texts.push_back(text.toStdString());
        return texts;
    }

    Session session{Session::WithWindow::Yes};
    MainWindow& window = session.Window();
    Controller& controller = session.controller;
    PictureView* area = window.PictureArea();
    CommandModel model;
    std::vector<TickSeen> ticks;
};

TEST_F(WholeCycle, TwoCyclesFromStartUpToQuitOfferTheModelsCommandsAndSoundExactlyTheWalkedMelodies)
{
    ExpectOffered("start-up");
    EXPECT_EQ(window.AccuracyList()->currentIndex(), 1) << "the middle accuracy is chosen at start-up";
    EXPECT_EQ(window.LengthBox()->text(), QStringLiteral("400"));
    EXPECT_TRUE(session.output.Calls().empty()) << "start-up touches no MIDI output";

    // First cycle: the low accuracy, a magnification, Back, and again.
    QTest::keyClick(window.AccuracyList(), Qt::Key_Up);
    ASSERT_EQ(window.AccuracyList()->currentIndex(), 0);
    ExpectOffered("choosing an accuracy");
    EXPECT_TRUE(controller.Colours() == fractal::ColourGrid{}) << "choosing an accuracy draws nothing";

    Click(window.DrawButton());
    model.Draw();
    ExpectOffered("Draw");
    EXPECT_EQ(controller.MaxIterations(), 10) << "the low accuracy iterates 10 times";
    EXPECT_EQ(area->Image().pixel(0, 0), qRgb(255, 0, 0)) << "the top-left corner escapes at once and shows red";
    EXPECT_EQ(area->Image().pixel(200, 200), qRgb(0, 0, 0)) << "the middle lies in the set and stays black";
    EXPECT_EQ(window.Progress()->Value(), 99.75f) << "the bar ends on the last column";

    Click(window.MagnifyButton());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Click two corners to magnify, or drag a box over the area; the wheel zooms in and out about the pointer."});
    ExpectOffered("Magnify Area");

    Magnify();
    window.BackAction()->trigger();
    model.Back();
    ExpectOffered("Back");
    EXPECT_TRUE(controller.CurrentView() == fractal::DefaultView) << "Back returns to the whole set";
    Magnify();

    Click(window.TraceButton());
    model.Trace();
    ExpectOffered("Trace");
    ExpectTracedOutline();

    session.messages.clear();
    Click(window.ComposeButton());
    model.Compose();
    ExpectOffered("Compose");
    EXPECT_EQ(Messages(), std::vector<std::string>{"Please, click a point on the outline!"});

    const fractal::OutlineGrid traced = controller.Outline();
    const auto miss = e2e::CellOffTheOutline(traced);
    ASSERT_TRUE(miss);
    Press(QPointF(miss->x + 0.25, miss->y - 0.25));
    model.Press();
    model.StartPressed(Outcome::NotOnOutline);
    ExpectOffered("a press off the outline");
    EXPECT_EQ(Messages().back(), "Clicked point is not on the outline!");
    EXPECT_TRUE(controller.Outline() == traced) << "a press off the outline erases nothing";
    EXPECT_TRUE(session.output.Calls().empty()) << "a press off the outline touches no MIDI output";

    TypeLength(QStringLiteral("14"));
    const auto start = e2e::StartOfAVariedWalk(traced, 14, 3);
    ASSERT_TRUE(start);
    const QPointF startPress(start->x + 0.3, start->y - 0.4);
    ASSERT_EQ(reference::StartCell(traced, float(startPress.x()), float(startPress.y())), start);
    const reference::Walk firstWalk = reference::WalkFrom(traced, *start, 14);
    const auto firstMelody = reference::MelodyOf(firstWalk.directions);
    const std::size_t messagesBefore = session.messages.size();
    Press(startPress);
    model.Press();
    model.StartPressed(Outcome::Played);
    ASSERT_FALSE(session.output.Calls().empty());
    const Clock::time_point firstStarted = session.output.Calls().back().time;
    const std::size_t callsAtFirstStart = session.output.Calls().size();
    ExpectOffered("a walk that completed");
    EXPECT_EQ(session.messages.size(), messagesBefore) << "a walk that plays shows no message";
    EXPECT_EQ(controller.Melody(), firstMelody);
    EXPECT_EQ(controller.Player().Position(), 0) << "playback starts before the first note";
    EXPECT_TRUE(controller.Outline() == reference::AfterWalk(traced, firstWalk)) << "the walk erases the cells it stood on";
    EXPECT_EQ(window.LengthBox()->text(), QStringLiteral("14")) << "an accepted length stays as typed";

    ASSERT_TRUE(e2e::WaitUntil([&] { return !controller.Timer().IsEnabled(); }, 16 * 200 + 10000));
    model.PieceEnded();
    ASSERT_EQ(ticks.size(), 16u) << "15 notes take 15 ticks and one that ends the piece";
    ExpectTicks(firstMelody, 0, callsAtFirstStart, firstStarted);
    const double pieceTime = std::chrono::duration<double, std::milli>(ticks.back().time - firstStarted).count();
    EXPECT_LT(pieceTime, 16 * 200.0 + 5000.0) << "the ending tick comes near 3.2 s";
    ExpectOffered("the piece ended by itself");
    const auto firstPiece = reference::PieceCalls(firstMelody, 16);
    EXPECT_EQ(reference::CallsOf(session.output.Calls()), firstPiece) << "the whole first piece";
    ExpectNothingAfterTheEnd();

    // Second cycle: the high accuracy on the whole set, a walk that fails,
    // then one that plays, ticked by hand and stopped.
    QTest::keyClick(window.AccuracyList(), Qt::Key_Down);
    QTest::keyClick(window.AccuracyList(), Qt::Key_Down);
    ASSERT_EQ(window.AccuracyList()->currentIndex(), 2);
    Click(window.DrawButton());
    model.Draw();
    ExpectOffered("the second Draw");
    EXPECT_TRUE(controller.CurrentView() == fractal::DefaultView) << "Draw shows the whole set";
    EXPECT_EQ(controller.MaxIterations(), 100) << "the high accuracy iterates 100 times";
    Click(window.TraceButton());
    model.Trace();
    ExpectTracedOutline();
    Click(window.ComposeButton());
    model.Compose();
    ExpectOffered("the second Compose");
    TypeLength(QStringLiteral("8"));

    session.messages.clear();
    const std::size_t callsAtSecondCycle = session.output.Calls().size();
    const fractal::OutlineGrid second = controller.Outline();
    const auto stuck = e2e::StartOfAFailingWalk(second, 8);
    ASSERT_TRUE(stuck) << "the outline at high accuracy has fragments shorter than 8 steps";
    const QPointF stuckPress(stuck->x - 0.2, stuck->y + 0.45);
    ASSERT_EQ(reference::StartCell(second, float(stuckPress.x()), float(stuckPress.y())), stuck);
    const reference::Walk failed = reference::WalkFrom(second, *stuck, 8);
    Press(stuckPress);
    model.Press();
    model.StartPressed(Outcome::WalkFailed);
    ExpectOffered("a walk that failed");
    EXPECT_EQ(Messages(), std::vector<std::string>{"The walk ran out of outline before the piece was complete. "
                                                  "Click another point on the outline, or draw a new picture."});
    std::vector<std::uint8_t> failedBytes;
    for (const int d : failed.directions)
        failedBytes.push_back(reference::StoredByte(d));
    EXPECT_EQ(controller.Melody(), failedBytes) << "a failed walk keeps the bytes of its completed steps";
    EXPECT_EQ(session.output.Calls().size(), callsAtSecondCycle) << "a failed walk touches no MIDI output";

    const fractal::OutlineGrid left = controller.Outline();
    EXPECT_TRUE(left == reference::AfterWalk(second, failed));
    const auto secondStart = e2e::StartOfAVariedWalk(left, 8, 2);
    ASSERT_TRUE(secondStart);
    const auto secondMelody = reference::MelodyOf(reference::WalkFrom(left, *secondStart, 8).directions);
    const std::size_t realTicksBefore = ticks.size();
    Press(QPointF(secondStart->x, secondStart->y));
    model.Press();
    model.StartPressed(Outcome::Played);
    ExpectOffered("the second walk");
    EXPECT_EQ(controller.Melody(), secondMelody);
    const auto perTick = reference::TickMessages(secondMelody);
    for (int k = 1; k <= 3; ++k) {
        const std::size_t before = session.output.Calls().size();
        controller.Tick();
        EXPECT_EQ(reference::CallsOf(session.output.Calls(), before).size(), perTick[std::size_t(k) - 1].size())
            << "tick " << k << " sends its messages and nothing else";
        EXPECT_EQ(window.Progress()->Value(), static_cast<float>(k / 9.0 * 100.0)) << "tick " << k;
        ExpectOffered("a tick by hand");
    }
    const float barAtStop = window.Progress()->Value();
    Click(window.StopMusicButton());
    model.StopMusic();
    ExpectOffered("Stop Music");
    EXPECT_EQ(window.Progress()->Value(), barAtStop) << "Stop Music leaves the bar where it was";
    EXPECT_EQ(controller.Player().Position(), 3 + int(ticks.size() - realTicksBefore)) << "Stop Music leaves the position";
    ExpectNothingAfterTheEnd();
    const int secondTicks = 3 + static_cast<int>(ticks.size() - realTicksBefore);
    const auto secondPiece = reference::PieceCalls(secondMelody, secondTicks);

    const std::size_t callsBeforeQuit = session.output.Calls().size();
    Click(window.QuitButton());
    model.Quit();
    EXPECT_FALSE(window.isVisible()) << "Quit closes the window";
    EXPECT_TRUE(controller.HasQuit());
    EXPECT_EQ(controller.Offered(), Commands{}) << "nothing is offered once the program has quit";
    EXPECT_FALSE(controller.Timer().IsEnabled());
    EXPECT_FALSE(session.output.IsOpen());

    // The whole stream: two pieces, then Quit silencing and closing an output that is no longer open.
    std::vector<reference::Call> expected = firstPiece;
    expected.insert(expected.end(), secondPiece.begin(), secondPiece.end());
    expected.push_back({RecordingMidiOut::Kind::Silence, {}, false});
    expected.push_back({RecordingMidiOut::Kind::Close, {}, false});
    const auto heard = reference::CallsOf(session.output.Calls());
    EXPECT_EQ(heard, expected) << "the whole stream";
    EXPECT_EQ(session.output.Calls().size(), callsBeforeQuit + 2);
    reference::SoundingNotes sounding;
    sounding.HearAll(session.output.Calls());
    EXPECT_TRUE(sounding.LeftAtClose().empty() && sounding.Now().empty()) << "no note is left sounding";
}

} // namespace
