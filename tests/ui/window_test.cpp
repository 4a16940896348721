#include "language.h"
#include "main_window.h"
#include "picture_view.h"
#include "progress_bar.h"
#include "session.h"
#include "window_driver.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QLocale>
#include <QTranslator>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

namespace {

using namespace window_driver;
using Kind = RecordingMidiOut::Kind;

// The five buttons in the order draw, magnify, trace, compose, stop music.
struct Buttons
{
    bool draw, magnify, trace, compose, stopMusic;
    friend bool operator==(const Buttons&, const Buttons&) = default;
};

std::ostream& operator<<(std::ostream& out, const Buttons& b)
{
    return out << b.draw << b.magnify << b.trace << b.compose << b.stopMusic;
}

class WindowTest : public testing::Test
{
protected:
    // The buttons as expected, and buttons and menu commands alike as the controller offers them.
    void ExpectCommands(const Buttons& expected, const std::string& where) const
    {
        const Buttons buttons{window.DrawButton()->isEnabled(), window.MagnifyButton()->isEnabled(),
                              window.TraceButton()->isEnabled(), window.ComposeButton()->isEnabled(),
                              window.StopMusicButton()->isEnabled()};
        EXPECT_EQ(buttons, expected) << where;
        const Commands shown{.draw = buttons.draw,
                             .magnify = buttons.magnify,
                             .trace = buttons.trace,
                             .compose = buttons.compose,
                             .stopMusic = buttons.stopMusic,
                             .back = window.BackAction()->isEnabled(),
                             .redraw = window.RedrawAction()->isEnabled(),
                             .cancel = window.CancelAction()->isEnabled(),
                             .savePicture = window.SavePictureAction()->isEnabled(),
                             .exportMelody = window.ExportMelodyAction()->isEnabled(),
                             .zoom = window.ZoomOutAction()->isEnabled(),
                             .pan = window.PanActions().back()->isEnabled(),
                             .pause = window.PauseAction()->isEnabled(),
                             .step = window.StepBackAction()->isEnabled()};
        EXPECT_TRUE(shown == session.controller.Offered()) << where << ": the window differs from the controller";
        EXPECT_TRUE(window.QuitButton()->isEnabled()) << where;
        EXPECT_EQ(window.QuitAction()->isEnabled(), !session.controller.HasQuit()) << where;
    }

    void PressOnOutline()
    {
        const auto point = OutlinePointOnRow(session.controller.Outline());
        ASSERT_TRUE(point) << "no outline on the press row";
        PressPicture(window, *point);
    }

    Session session{Session::WithWindow::Yes};
    MainWindow& window = session.Window();
};

std::vector<RecordingMidiOut::Kind> CallKinds(const RecordingMidiOut& output)
{
    std::vector<RecordingMidiOut::Kind> kinds;
    for (const auto& call : output.Calls())
        kinds.push_back(call.kind);
    return kinds;
}

// Every state is reached through the window's own buttons, menu and
// pointer, and after each input the window shows what the controller offers.
TEST_F(WindowTest, ButtonsMenusAndPressesDriveTheControllerAndShowWhatItOffers)
{
    //                   draw   magnify trace  compose stop
    const Buttons ready{true, false, false, false, false};
    const Buttons drawn{true, true, true, false, false};
    const Buttons traced{true, false, false, true, false};
    const Buttons choosing{true, false, false, false, false};
    const Buttons playing{false, false, false, false, true};
    struct Step
    {
        const char* input;
        std::function<void()> give;
        State state;
        Buttons buttons;
    };
    const Step steps[] = {
        {"start-up", [] {}, State::Ready, ready},
        {"a press and a move before any picture", [&] {
             PressPicture(window, {150, 150});
             MovePointer(window, {200, 220});
             EXPECT_FALSE(window.PictureArea()->IsRubberBandVisible());
         }, State::Ready, ready},
        {"Draw", [&] { Click(window.DrawButton()); }, State::Drawn, drawn},
        {"Magnify", [&] { Click(window.MagnifyButton()); }, State::Drawn, drawn},
        {"first corner", [&] { PressPicture(window, {100, 100}); }, State::CornerSet, drawn},
        {"second corner", [&] { PressPicture(window, {300, 300}); }, State::Drawn, drawn},
        {"Back", [&] {
             window.BackAction()->trigger();
             EXPECT_EQ(session.controller.CurrentView(), fractal::DefaultView) << "Back undoes the magnification";
         }, State::Drawn, drawn},
        {"another first corner", [&] { PressPicture(window, {50, 60}); }, State::CornerSet, drawn},
        {"Trace", [&] { Click(window.TraceButton()); }, State::TracedCornerSet, traced},
        {"the pending second corner", [&] { PressPicture(window, {350, 350}); }, State::Drawn, drawn},
        {"Trace again", [&] { Click(window.TraceButton()); }, State::Traced, traced},
        {"Compose", [&] { Click(window.ComposeButton()); }, State::ChoosingStart, choosing},
        {"a press off the outline", [&] { PressPicture(window, {200, 200}); }, State::StartMissed, choosing},
        {"Cancel", [&] { window.CancelAction()->trigger(); }, State::Traced, traced},
        {"Compose once more", [&] { Click(window.ComposeButton()); }, State::ChoosingStart, choosing},
        {"a press on the outline", [&] {
             PressOnOutline();
             EXPECT_TRUE(session.controller.Playhead()) << "a playing piece has a sounding cell";
         }, State::Playing, playing},
        {"Stop Music", [&] { Click(window.StopMusicButton()); }, State::Played, traced},
        {"Compose again", [&] { Click(window.ComposeButton()); }, State::ChoosingStart, choosing},
        {"Redraw", [&] { window.RedrawAction()->trigger(); }, State::Drawn, drawn},
    };
    for (const Step& step : steps) {
        step.give();
        EXPECT_EQ(session.controller.CurrentState(), step.state) << step.input;
        ExpectCommands(step.buttons, step.input);
        const auto playhead = session.controller.Playhead();
        EXPECT_EQ(window.PictureArea()->Playhead(),
                  playhead ? std::optional<QPoint>(QPoint(playhead->x, playhead->y)) : std::nullopt)
            << step.input << ": the ring round the sounding cell";
    }
    EXPECT_EQ(session.messages.size(), 5u) << "the magnify hint, a request for a start point, the miss, two requests";

    Click(window.QuitButton());
    EXPECT_TRUE(session.controller.HasQuit());
    ExpectCommands({}, "after Quit");
}

TEST_F(WindowTest, TheAccuracyListAndTheLengthBoxReachTheController)
{
    const std::pair<int, int> accuracies[] = {{0, 10}, {2, 100}, {1, 50}};
    for (const auto& [index, iterations] : accuracies) {
        window.AccuracyList()->setCurrentIndex(index);
        Click(window.DrawButton());
        EXPECT_EQ(session.controller.MaxIterations(), iterations) << "list index " << index;
    }

    struct LengthCase
    {
        const char* typed;
        std::size_t melodySize;  // one byte per step, length + 1 steps
        const char* shownAfter;
    };
    const LengthCase lengths[] = {
        {"8", 9, "8"},
        {"5", 401, "400"},  // out of range: the default is used and shown
    };
    for (const LengthCase& c : lengths) {
        Click(window.DrawButton());
        Click(window.TraceButton());
        window.LengthBox()->clear();
        QTest::keyClicks(window.LengthBox(), QString::fromLatin1(c.typed));
        Click(window.ComposeButton());
        PressOnOutline();
        EXPECT_EQ(session.controller.Melody().size(), c.melodySize) << "typed " << c.typed;
        EXPECT_EQ(window.LengthBox()->text(), QString::fromLatin1(c.shownAfter)) << "typed " << c.typed;
        Click(window.StopMusicButton());
    }
}

// The corners and the band's end are the cells under the pointer, as at one
// device pixel per point.
TEST_F(WindowTest, TheRubberBandFollowsThePointerBetweenTheCorners)
{
    Click(window.DrawButton());
    struct Step
    {
        const char* input;
        bool press;  // else a move
        QPointF at;
        bool visible;
        QLineF line;
    };
    const Step steps[] = {
        {"move before a corner", false, {10, 10}, false, {}},
        {"first corner", true, {100.25, 120.5}, true, {100, 120, 100, 120}},
        {"move", false, {250.5, 300}, true, {100, 120, 250, 300}},
        {"move back", false, {20, 30.75}, true, {100, 120, 20, 30}},
        {"second corner", true, {20, 30.75}, false, {}},
        {"move after magnifying", false, {70, 80}, false, {}},
    };
    for (const Step& step : steps) {
        if (step.press)
            PressPicture(window, step.at);
        else
            MovePointer(window, step.at);
        const PictureView* view = window.PictureArea();
        const RubberBand& band = session.controller.CurrentRubberBand();
        EXPECT_EQ(view->IsRubberBandVisible(), step.visible) << step.input;
        EXPECT_EQ(band.visible, step.visible) << step.input;
        if (step.visible) {
            EXPECT_EQ(view->RubberBandLine(), step.line) << step.input;
            EXPECT_EQ(view->RubberBandLine(), QLineF(band.start, band.end)) << step.input;
        }
    }
}

// Handlers block the event loop while they work; the picture and the bar
// must still reach the screen meanwhile, and the last state must not be lost.
TEST_F(WindowTest, LongCommandsRepaintWhileTheyRunAndEndShowingTheirResult)
{
    struct Painted
    {
        int count = 0;
        std::vector<fractal::Colour> lastPicture;
        float lastProgress = -1.0f;
    } painted;
    const Picture& picture = session.controller.CurrentPicture();
    struct PaintWatcher : QObject
    {
        std::function<void(QObject*)> seen;
        bool eventFilter(QObject* object, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                seen(object);
            return false;
        }
    } watcher;
    watcher.seen = [&](QObject* object) {
        if (object == window.PictureArea()) {
            ++painted.count;
            painted.lastPicture = picture.Pixels();
        } else {
            painted.lastProgress = window.Progress()->Value();
        }
    };
    window.PictureArea()->installEventFilter(&watcher);
    window.Progress()->installEventFilter(&watcher);

    const std::pair<const char*, std::function<void()>> commands[] = {
        {"Draw", [&] { session.controller.Draw(); }},
        {"Trace", [&] { session.controller.Trace(); }},
        {"Compose and a press", [&] {
             session.controller.Compose();
             PressOnOutline();
         }},
    };
    for (const auto& [name, run] : commands) {
        QTest::qWait(20);  // more than a frame since the last paint
        painted.count = 0;
        run();
        EXPECT_GT(painted.count, 0) << name << ": nothing reached the screen while it ran";
        QApplication::processEvents();
        EXPECT_TRUE(painted.lastPicture == picture.Pixels()) << name << ": the screen misses the final picture";
        // A finished draw or trace leaves no bar; a piece shows its own progress from its start.
        const bool playing = session.controller.CurrentState() == State::Playing;
        EXPECT_EQ(window.Progress()->isVisible(), playing) << name;
        if (playing) {
            EXPECT_EQ(painted.lastProgress, window.Progress()->Value()) << name;
            EXPECT_TRUE(window.Progress()->Text().startsWith(QStringLiteral("Playing "))) << name;
        }
    }
    Click(window.StopMusicButton());
    EXPECT_FALSE(window.Progress()->isVisible()) << "nothing left part-way after Stop";
}

// After a place opened at iterations no entry gives, the list names them
// and Redraw keeps them; an entry that gives them, or Automatic while it
// does, stays chosen instead.
TEST_F(WindowTest, TheAccuracyListShowsTheIterationsInForce)
{
    QComboBox* list = window.AccuracyList();
    session.controller.OpenView(fractal::DeepView(), 4'300, 400, std::nullopt);
    EXPECT_EQ(list->currentText(), QStringLiteral("4,300"));
    window.RedrawAction()->trigger();
    EXPECT_EQ(session.controller.MaxIterations(), 4'300);
    session.controller.OpenView(fractal::DeepView(), 1'000, 400, std::nullopt);
    EXPECT_EQ(list->currentText(), QStringLiteral("1,000"));
    EXPECT_EQ(list->count(), Controller::AccuracyCount) << "the entry for 4,300 went";
    list->setCurrentIndex(Controller::AutomaticAccuracy);
    Click(window.DrawButton());  // 100 iterations, as High gives
    EXPECT_EQ(list->currentIndex(), Controller::AutomaticAccuracy);
}

// Tab runs down the column; after Compose's message the focus is on the
// picture, not on Quit, so the next Space ends nothing.
TEST_F(WindowTest, TabRunsDownTheControlsAndAMessageLeavesTheFocusOffQuit)
{
    std::vector<QWidget*> order;
    for (QWidget* w = window.AccuracyList(); order.empty() || w != order.front(); w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && window.Client()->isAncestorOf(w))
            order.push_back(w);
    EXPECT_EQ(order, (std::vector<QWidget*>{window.AccuracyList(), window.LengthBox(), window.DrawButton(),
                                            window.MagnifyButton(), window.TraceButton(), window.ComposeButton(),
                                            window.StopMusicButton(), window.QuitButton()}));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    Click(window.DrawButton());
    window.MagnifyButton()->setFocus();
    QTest::keyClick(window.MagnifyButton(), Qt::Key_Space);
    EXPECT_EQ(QApplication::focusWidget(), window.MagnifyButton()) << "back to the button that opened the message";
    Click(window.TraceButton());
    window.ComposeButton()->setFocus();
    QTest::keyClick(window.ComposeButton(), Qt::Key_Space);
    ASSERT_EQ(session.controller.CurrentState(), State::ChoosingStart);
    EXPECT_EQ(QApplication::focusWidget(), window.PictureArea());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(session.controller.HasQuit());
}

TEST(WindowQuit, QuitSilencesAndClosesTheOutputOnceAndClosesTheWindow)
{
    const std::pair<const char*, std::function<void(MainWindow&)>> ways[] = {
        {"the Quit button", [](MainWindow& window) { Click(window.QuitButton()); }},
        {"the Quit menu command", [](MainWindow& window) { window.QuitAction()->trigger(); }},
    };
    for (const auto& [way, quit] : ways) {
        Session session(Session::WithWindow::Yes);
        session.DrawAndTrace();
        session.ComposeAt(0, 0);  // a cell of the frame round the picture
        ASSERT_TRUE(session.output.IsOpen()) << way;
        session.output.Clear();

        quit(session.Window());
        EXPECT_FALSE(session.Window().isVisible()) << way;
        EXPECT_TRUE(session.controller.HasQuit()) << way;
        EXPECT_EQ(CallKinds(session.output), (std::vector<Kind>{Kind::Silence, Kind::Close})) << way;
        EXPECT_TRUE(session.output.Calls().front().accepted) << way << ": silenced while still open";
        EXPECT_FALSE(session.controller.Timer().IsEnabled()) << way;
    }
}

// The window manager's close button arrives at the window's native side,
// as a close event for the QWindow.
TEST(WindowClose, ClosingByTheFrameSilencesAndClosesTheOutput)
{
    const std::pair<const char*, bool> cases[] = {{"while playing", true}, {"idle", false}};
    for (const auto& [what, playing] : cases) {
        Session fresh(Session::WithWindow::Yes);
        if (playing) {
            fresh.DrawAndTrace();
            fresh.ComposeAt(0, 0);  // a cell of the frame round the picture
            ASSERT_EQ(fresh.controller.CurrentState(), State::Playing) << what;
        }
        fresh.output.Clear();
        QCloseEvent close;
        QApplication::sendEvent(fresh.Window().windowHandle(), &close);

        EXPECT_FALSE(fresh.Window().isVisible()) << what;
        EXPECT_EQ(CallKinds(fresh.output), (std::vector<Kind>{Kind::Silence, Kind::Close})) << what;
        EXPECT_FALSE(fresh.output.IsOpen()) << what;
        EXPECT_FALSE(fresh.controller.Timer().IsEnabled()) << what;
        const auto sent = fresh.output.Calls().size();
        QTest::qWait(450);  // two ticks' time: none may play after the close
        EXPECT_EQ(fresh.output.Calls().size(), sent) << what;
    }
}

TEST(WindowMessages, AreShownInAModalBoxUnlessAnotherPresenterIsSet)
{
    RecordingMidiOut output;
    ImmediateRenderRunner renderer;
    Controller controller(output, renderer);
    MainWindow window(controller);
    window.show();
    Click(window.DrawButton());

    QString shownText;
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shownText = box->text();
        shownTitle = box->windowTitle();
        box->accept();
    });
    Click(window.MagnifyButton());  // returns once the box is closed
    EXPECT_EQ(shownText, QStringLiteral("Click two corners to magnify, or drag a box over the area; the wheel zooms in and out about the pointer."));
    EXPECT_EQ(shownTitle, QStringLiteral("Velmora"));

    std::vector<QString> presented;
    window.SetMessagePresenter([&](const QString& text) { presented.push_back(text); });
    Click(window.TraceButton());
    Click(window.ComposeButton());
    EXPECT_EQ(presented, std::vector<QString>{QStringLiteral("Please, click a point on the outline!")});
}

// The locale decides; only a machine with no locale at all falls back to
// the build's language, where only the exact word English keeps English.
TEST(WindowLanguage, FollowsTheLocaleAndFallsBackToTheBuildsLanguage)
{
    const struct
    {
        const char* locale;
        std::string_view build;
        Language expected;
    } cases[] = {
        {"ja_JP", "English", Language::Japanese}, {"en_GB", "Japanese", Language::English},
        {"de_DE", "Japanese", Language::English}, {"C", "English", Language::English},
        {"C", "Japanese", Language::Japanese},    {"C", "english", Language::Japanese},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseLanguage(QLocale(QString::fromLatin1(c.locale)), c.build), c.expected)
            << c.locale << " with the build's " << c.build;

    ASSERT_TRUE(UseLanguage(*qApp, Language::Japanese));
    {
        Session session(Session::WithWindow::Yes);
        EXPECT_EQ(session.Window().DrawButton()->text(), QString::fromUtf8("全体描画"));
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("キャンセル"))
            << "Qt's own dialogs speak Japanese too (Debian's qt6-translations-l10n)";
    }
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

} // namespace
