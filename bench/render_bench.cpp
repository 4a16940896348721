#include "main_window.h"
#include "paint_counter.h"
#include "parallel_render.h"
#include "reference_render.h"
#include "picture_view.h"
#include "render.h"
#include "session.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr int High = 2;  // "高" in the accuracy list

// The renderer alone at each accuracy's limit, into a grid and nowhere else.
void BM_Render(benchmark::State& state)
{
    const auto limit = static_cast<int>(state.range(0));
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
    const auto limit = static_cast<int>(state.range(0));
    const fractal::View& view = fractal::DefaultView;
    const double xStep = view.XStep();
    const double yStep = view.YStep();
    std::int64_t iterations = 0;
    std::int64_t neverEscaping = 0;
    for (auto _ : state) {
        iterations = 0;
        neverEscaping = 0;
        for (int x = 0; x < fractal::PictureSide; ++x) {
            const double cx = x * xStep + view.xMin;
            for (int y = 0; y < fractal::PictureSide; ++y) {
                const double cy = y * yStep + view.yMin;
                const int count = fractal::EscapeCount(cx, cy, limit);
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

// The whole picture on every core with the fastest vectors, assembled.
fractal::ColourGrid ParallelRender(const fractal::View& view, int maxIterations)
{
    fractal::ColourGrid grid;
    std::mutex mutex;
    fractal::RenderInParallel(
        view, maxIterations,
        [&](fractal::ColumnBlock block) {
            const std::lock_guard lock(mutex);
            block.CopyInto(grid);
        },
        {});
    return grid;
}

struct Comparison
{
    const char* name;
    fractal::View view;
    int maxIterations;
};

constexpr fractal::View InsideCardioid{-0.3, -0.1, -0.1, 0.1};
// 0.01 wide, centred on -0.7436 + 0.1318i.
constexpr fractal::View Seahorse{-0.7486, -0.7386, 0.1268, 0.1368};

constexpr Comparison Comparisons[] = {
    {"default", fractal::DefaultView, 100},
    {"default", fractal::DefaultView, 10000},
    {"inside_cardioid", InsideCardioid, 10000},
    {"seahorse", Seahorse, 1000},
    {"seahorse", Seahorse, 10000},
};

// Every sample point strictly inside the main cardioid: with q the squared
// distance from 1/4, q (q + x - 1/4) < y^2 / 4.
bool AllInsideMainCardioid(const fractal::View& view)
{
    for (int x = 0; x < fractal::PictureSide; ++x) {
        for (int y = 0; y < fractal::PictureSide; ++y) {
            const fractal::PlanePoint c = fractal::ToPlane(view, static_cast<float>(x), static_cast<float>(y));
            const double q = (c.x - 0.25) * (c.x - 0.25) + c.y * c.y;
            if (q * (q + c.x - 0.25) >= c.y * c.y / 4)
                return false;
        }
    }
    return true;
}

template <fractal::ColourGrid (*Renderer)(const fractal::View&, int)>
void BM_WholeRender(benchmark::State& state, const Comparison& comparison)
{
    if (comparison.view == InsideCardioid && !AllInsideMainCardioid(comparison.view)) {
        state.SkipWithError("the view is not all inside the main cardioid");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(Renderer(comparison.view, comparison.maxIterations));
}

// Today's renderer against the parallel vector one, view by view, in one run.
const bool ComparisonsRegistered = [] {
    for (const Comparison& comparison : Comparisons) {
        const std::string name = std::string(comparison.name) + "/" + std::to_string(comparison.maxIterations);
        benchmark::RegisterBenchmark(("BM_Reference/" + name).c_str(), BM_WholeRender<ReferenceRender>, comparison)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_Parallel/" + name).c_str(), BM_WholeRender<ParallelRender>, comparison)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

// From the stop request to the parallel render's return, at a million
// iterations in seahorse valley, 20 ms into the render.
void BM_StopLatency(benchmark::State& state)
{
    for (auto _ : state) {
        std::stop_source stop;
        std::chrono::steady_clock::time_point requested;
        fractal::RenderOutcome outcome = fractal::RenderOutcome::Completed;
        {
            const std::jthread render([&] {
                outcome = fractal::RenderInParallel(Seahorse, 1'000'000, [](fractal::ColumnBlock) {}, stop.get_token());
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            requested = std::chrono::steady_clock::now();
            stop.request_stop();
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - requested).count());
        if (outcome != fractal::RenderOutcome::Stopped)
            state.SkipWithError("the render completed before the stop");
    }
}
BENCHMARK(BM_StopLatency)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
