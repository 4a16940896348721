#include "bench_window.h"
#include "renderer.h"
#include "shared_state.h"

#include <QPushButton>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int High = 2;

// The renderer as Draw runs it: into the shown window's picture, with the
// progress bar and the repaint throttle on the way.
void BM_DrawMandelbrot(benchmark::State& state)
{
    BenchWindow window;
    const auto limit = static_cast<std::int16_t>(state.range(0));
    for (auto _ : state) {
        SetDefaultView();
        MaxIterations = limit;
        DrawMandelbrot();
    }
}
BENCHMARK(BM_DrawMandelbrot)->ArgName("MaxIterations")->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_DrawClickedAtHigh(benchmark::State& state)
{
    BenchWindow window;
    window.SelectSeido(High);
    for (auto _ : state)
        window.Form().Draw()->click();
    if (MaxIterations != 100)
        state.SkipWithError("the Draw click did not render at 100 iterations");
}
BENCHMARK(BM_DrawClickedAtHigh)->Unit(benchmark::kMillisecond);

// Escape counts alone over the default view, nothing drawn or stored: the
// floor that drawing is measured against. An escaping point costs its count
// plus the iteration that left radius 2; a point that never escapes costs
// the limit plus one.
void BM_EscapeCountLoop(benchmark::State& state)
{
    const auto limit = static_cast<std::int16_t>(state.range(0));
    const double xStep = (DefaultXMax - DefaultXMin) / 400;
    const double yStep = (DefaultYMax - DefaultYMin) / 400;
    std::int64_t iterations = 0;
    std::int64_t neverEscaping = 0;
    for (auto _ : state) {
        iterations = 0;
        neverEscaping = 0;
        for (std::int16_t x = 0; x < PictureSide; ++x) {
            const double cx = x * xStep + DefaultXMin;
            for (std::int16_t y = 0; y < PictureSide; ++y) {
                const double cy = y * yStep + DefaultYMin;
                const std::int16_t count = EscapeCount(cx, cy, limit);
                if (count == NotEscaped) {
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
