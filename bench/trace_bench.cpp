#include "main_window.h"
#include "outline.h"
#include "paint_counter.h"
#include "picture_view.h"
#include "session.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

constexpr int High = 2;  // "高" in the accuracy list

int OutlineCells(const fractal::OutlineGrid& outline)
{
    int cells = 0;
    for (int x = 0; x < fractal::PictureSide; ++x) {
        for (int y = 0; y < fractal::PictureSide; ++y)
            cells += outline.At(x, y) == fractal::OutlineWhite ? 1 : 0;
    }
    return cells;
}

// Back to a freshly drawn picture the way a user gets there once the
// outline is traced: Compose, a press inside the set that finds no outline,
// then Draw.
void DrawAfterMissedStart(Session& session)
{
    if (session.controller.CurrentState() == State::Traced) {
        session.controller.Compose();
        session.controller.Press(200, 200);
    }
    session.controller.Draw();
}

// The whole Trace command on the default view drawn at "高": it clears the
// picture and shows the outline with its progress in the shown window. Trace
// is offered once per picture, so each run first draws again, off the clock.
void BM_TraceCommand(benchmark::State& state)
{
    Session session(Session::WithWindow::Yes);
    session.Window().AccuracyList()->setCurrentIndex(High);
    QApplication::processEvents();  // the window is exposed, so repaints reach it
    const PaintCounter picturePaints(session.Window().PictureArea());
    long long paintsWhileTracing = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DrawAfterMissedStart(session);
        if (session.controller.CurrentState() != State::Drawn) {
            state.SkipWithError("no fresh picture to trace");
            break;
        }
        // A user's click comes long after the last paint: let the throttle's frame pass.
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const long long before = picturePaints.Count();
        state.ResumeTiming();
        session.controller.Trace();
        paintsWhileTracing += picturePaints.Count() - before;
    }
    state.counters["outline_cells"] = OutlineCells(session.controller.Outline());
    state.counters["picture_paints"] =
        benchmark::Counter(static_cast<double>(paintsWhileTracing), benchmark::Counter::kAvgIterations);
}
// A fixed count: each run also waits and draws, off the clock.
BENCHMARK(BM_TraceCommand)->Iterations(300)->Unit(benchmark::kMillisecond);

// The outline extraction alone on the same colours, with no observer: what
// the command adds on top of it is the picture and its repaints.
void BM_TraceOutline(benchmark::State& state)
{
    Session session;
    session.controller.SetAccuracy(High);
    session.controller.Draw();
    const fractal::ColourGrid& colours = session.controller.Colours();
    for (auto _ : state)
        benchmark::DoNotOptimize(fractal::TraceOutline(colours));
}
BENCHMARK(BM_TraceOutline)->Unit(benchmark::kMillisecond);

} // namespace
