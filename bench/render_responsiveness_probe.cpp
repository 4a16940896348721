// The program as it draws, with the real threaded renderer and the window:
// how long Draw at "High" takes to the last column, how long Cancel takes to
// bring the old picture back on the screen during a million-iteration
// render, and the longest stretch the window's thread handled no event
// during a 10,000-iteration render of the whole set. The old program did
// every render on the window's thread, so for comparison the same run times
// the plain scalar loop over the same view: that is how long it was blocked.
#include "controller.h"
#include "main_window.h"
#include "offscreen_platform.h"
#include "paint_counter.h"
#include "picture_view.h"
#include "recording_midi_out.h"
#include "reference_render.h"
#include "render.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int High = 2;
constexpr int TenThousand = 4;
constexpr int Million = 6;

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Program
{
    Program()
    {
        window.SetMessagePresenter({});
        if (!qEnvironmentVariableIsSet("PROBE_HIDDEN"))
            window.show();
        QApplication::processEvents();
    }
    RecordingMidiOut output;
    ThreadedRenderRunner renderer;
    Controller controller{output, renderer};
    MainWindow window{controller};
};

void WaitWhileRendering(Program& program)
{
    while (program.controller.CurrentState() == State::Rendering)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void Settle(int milliseconds)
{
    const auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < until)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The old program's render: one scalar pixel at a time on one thread.
double ScalarLoopMs(const fractal::View& view, int maxIterations)
{
    const auto start = Clock::now();
    const fractal::ColourGrid grid = ReferenceRender(view, maxIterations);
    volatile fractal::Colour sink = grid.At(0, 0);
    (void)sink;
    return Milliseconds(Clock::now() - start);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    UseOffscreenPlatformUnlessChosen();
    QApplication application(argc, argv);
    Program program;

    // Draw at High, from the command to the last column on the screen.
    program.window.AccuracyList()->setCurrentIndex(High);
    std::vector<double> draws;
    for (int i = 0; i < 30; ++i) {
        Settle(20);
        const auto start = Clock::now();
        program.controller.Draw();
        WaitWhileRendering(program);
        draws.push_back(Milliseconds(Clock::now() - start));
    }
    std::printf("Draw at High (100 iterations), whole render through the window: median %.2f ms, best %.2f ms "
                "(goal under 3 ms); the scalar loop alone: %.2f ms\n",
                Median(draws), *std::min_element(draws.begin(), draws.end()),
                ScalarLoopMs(fractal::DefaultView, 100));

    // Cancel during a million-iteration render of the seahorse valley, 0.01
    // wide: from the command to the old picture painted.
    const PaintCounter paints(program.window.PictureArea());
    std::vector<double> cancels;
    program.controller.Draw();
    WaitWhileRendering(program);
    program.controller.Press(185.39f, 226.19f);
    program.controller.Press(186.87f, 227.67f);
    WaitWhileRendering(program);
    for (int i = 0; i < 10; ++i) {
        program.window.AccuracyList()->setCurrentIndex(Million);
        program.controller.Redraw();
        Settle(20);
        if (program.controller.CurrentState() != State::Rendering) {
            std::printf("the million-iteration render ended before it could be cancelled\n");
            return 1;
        }
        const long long paintsBefore = paints.Count();
        const auto start = Clock::now();
        program.controller.Cancel();
        while (paints.Count() == paintsBefore)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        cancels.push_back(Milliseconds(Clock::now() - start));
        if (program.controller.CurrentState() != State::Drawn || program.controller.MaxIterations() != 100)
            std::printf("Cancel did not bring back the picture at High\n");
    }
    std::printf("Cancel during a 1,000,000-iteration render, to the old picture painted: median %.2f ms, worst "
                "%.2f ms (goal under 50 ms)\n",
                Median(cancels), *std::max_element(cancels.begin(), cancels.end()));

    // The longest stretch without an event during a 10,000-iteration render.
    program.window.AccuracyList()->setCurrentIndex(TenThousand);
    Clock::duration longest{};
    auto last = Clock::now();
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        longest = std::max(longest, now - last);
        last = now;
    });
    heartbeat.start(1);
    Settle(20);
    longest = {};
    last = Clock::now();
    const auto start = Clock::now();
    program.controller.Draw();
    WaitWhileRendering(program);
    const double renderMs = Milliseconds(Clock::now() - start);
    heartbeat.stop();
    std::printf("10,000-iteration render of the whole set: %.1f ms, the window's thread at most %.1f ms without "
                "an event (goal under 50 ms); before, the window was blocked for the whole scalar render: %.1f ms\n",
                renderMs, Milliseconds(longest), ScalarLoopMs(fractal::DefaultView, 10'000));
    return 0;
}
