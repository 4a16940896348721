#include "main_window.h"
#include "paint_counter.h"
#include "picture_view.h"
#include "render.h"
#include "session.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace {

constexpr int High = 2;  // "高" in the accuracy list

// The renderer alone at each accuracy's limit, into a grid and nowhere else.
void BM_Render(benchmark::State& state)
{
    const auto limit = static_cast<std::int16_t>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(fractal::Render(fractal::DefaultView, limit));
}
BENCHMARK(BM_Render)->ArgName("MaxIterations")->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

// The whole Draw command at "高": the render, the picture, the progress bar
// and the repaints of the shown window on the way.
void BM_DrawAtHigh(benchmark::State& state)
{
    Session session(Session::WithWindow::Yes);
    session.Window().AccuracyList()->setCurrentIndex(High);
    QApplication::processEvents();  // the window is exposed, so repaints reach it
    const PaintCounter picturePaints(session.Window().PictureArea());
    for (auto _ : state) {
        // A user's click comes long after the last paint: let the throttle's frame pass.
        state.PauseTiming();
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        state.ResumeTiming();
        session.controller.Draw();
    }
    if (session.controller.MaxIterations() != 100)
        state.SkipWithError("Draw did not render at 100 iterations");
    state.counters["picture_paints"] =
        benchmark::Counter(static_cast<double>(picturePaints.Count()), benchmark::Counter::kAvgIterations);
}
// A fixed count: each run also waits, off the clock.
BENCHMARK(BM_DrawAtHigh)->Iterations(200)->Unit(benchmark::kMillisecond);

// Escape counts alone over the default view, nothing drawn or stored: the
// floor that drawing is measured against. An escaping point costs its count
// plus the iteration that left radius 2; a point that never escapes costs
// the limit plus one.
void BM_EscapeCountLoop(benchmark::State& state)
{
    const auto limit = static_cast<std::int16_t>(state.range(0));
    const fractal::View& view = fractal::DefaultView;
    const double xStep = view.XStep();
    const double yStep = view.YStep();
    std::int64_t iterations = 0;
    std::int64_t neverEscaping = 0;
    for (auto _ : state) {
        iterations = 0;
        neverEscaping = 0;
        for (std::int16_t x = 0; x < fractal::PictureSide; ++x) {
            const double cx = x * xStep + view.xMin;
            for (std::int16_t y = 0; y < fractal::PictureSide; ++y) {
                const double cy = y * yStep + view.yMin;
                const std::int16_t count = fractal::EscapeCount(cx, cy, limit);
                if (count == fractal::NotEscaped) {
                    ++neverEscaping;
                    iterations += limit + 1;
                } else {
                    iterations += count + 1;
                }
            }
        }
        benchmark::DoNotOptimize(iterations);
        benchmark::DoNotOptimize(neverEscaping);
    }
    state.counters["iterations"] = static_cast<double>(iterations);
    state.counters["never_escaping"] = static_cast<double>(neverEscaping);
}
BENCHMARK(BM_EscapeCountLoop)->ArgName("MaxIterations")->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace
