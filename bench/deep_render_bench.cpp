// Deep views rendered by perturbation against the double loop, single
// threaded, at 10,000 iterations: the time of one iteration of z -> z^2 + c
// in each, and the reference orbit's share of a deep render.
//
// The deep views are centred on a Misiurewicz point of the seahorse valley
// (preperiod 24, period 2, found by Newton's method from -0.7436 + 0.1318i):
// its spirals repeat at every depth, and close to it pixels take thousands
// of iterations to escape. The double loop renders the default view.
//
// Iterations are counted the way the loop does them: an escaping pixel
// costs its count plus the iteration that left radius 2, one that never
// escapes costs the limit plus one. They are counted once before timing.

#include "preperiodic_point.h"
#include "perturbation.h"
#include "reference_render.h"
#include "render.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <optional>

namespace {

constexpr int Limit = 10'000;
constexpr fractal::PlanePoint SeahorseGuess{-0.7436, 0.1318};
constexpr int SeahorsePreperiod = 24;
constexpr int SeahorsePeriod = 2;
// Enough for the deepest view measured.
constexpr fractal::BigFloat::Bits PointBits = 3600;

std::int64_t Cost(int count)
{
    return count == fractal::NotEscaped ? Limit + 1 : count + 1;
}

std::optional<fractal::DeepView> SeahorseView(const char* width)
{
    const std::optional<fractal::DeepPoint> point =
        fractal::FindPreperiodicPoint(SeahorseGuess, SeahorsePreperiod, SeahorsePeriod, PointBits);
    if (!point)
        return std::nullopt;
    const fractal::BigFloat half = *fractal::BigFloat::Parse(width, PointBits) / 2.0;
    return fractal::DeepView(point->x - half, point->x + half, point->y - half, point->y + half);
}

void PerIteration(benchmark::State& state, std::int64_t iterations)
{
    state.counters["iterations"] = static_cast<double>(iterations);
    state.counters["time_per_iteration"] = benchmark::Counter(
        static_cast<double>(iterations), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The plain double loop on a shallow view, what each deep iteration is
// measured against.
void BM_DoubleLoop(benchmark::State& state)
{
    const fractal::View& view = fractal::DefaultView;
    std::int64_t iterations = 0;
    for (int x = 0; x < fractal::PictureSide; ++x) {
        for (int y = 0; y < fractal::PictureSide; ++y) {
            const fractal::PlanePoint c = fractal::ToPlane(view, static_cast<float>(x), static_cast<float>(y));
            iterations += Cost(fractal::EscapeCount(c.x, c.y, Limit));
        }
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ReferenceRender(view, Limit));
    PerIteration(state, iterations);
}
BENCHMARK(BM_DoubleLoop)->Unit(benchmark::kMillisecond)->Iterations(2);

// What RenderDeep does for a deep view, the reference orbit timed apart.
void BM_DeepRender(benchmark::State& state, const char* width)
{
    const std::optional<fractal::DeepView> view = SeahorseView(width);
    if (!view) {
        state.SkipWithError("Newton's method found no Misiurewicz point");
        return;
    }
    std::int64_t iterations = 0;
    {
        const fractal::PerturbationPlan plan(*view, *fractal::ComputeReferenceOrbit(*view, Limit));
        for (int x = 0; x < fractal::PictureSide; ++x)
            for (int y = 0; y < fractal::PictureSide; ++y)
                iterations += Cost(plan.EscapeCount(x, y, Limit));
    }
    using Clock = std::chrono::steady_clock;
    Clock::duration orbitTime{};
    Clock::duration wholeTime{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        std::optional<fractal::ReferenceOrbit> orbit = fractal::ComputeReferenceOrbit(*view, Limit);
        const Clock::time_point orbitDone = Clock::now();
        const fractal::PerturbationPlan plan(*view, std::move(*orbit));
        fractal::ColourGrid grid;
        plan.RenderColumns(0, fractal::PictureSide, Limit, grid);
        benchmark::DoNotOptimize(grid);
        orbitTime += orbitDone - start;
        wholeTime += Clock::now() - start;
    }
    PerIteration(state, iterations);
    state.counters["precision_bits"] = static_cast<double>(view->Precision());
    state.counters["orbit_share"] = std::chrono::duration<double>(orbitTime) / std::chrono::duration<double>(wholeTime);
}
BENCHMARK_CAPTURE(BM_DeepRender, Width1e_30, "1e-30")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DeepRender, Width1e_300, "1e-300")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DeepRender, Width1e_1000, "1e-1000")->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
