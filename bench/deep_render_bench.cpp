// Deep views, before and after the linear maps, in one run: each view is
// rendered by plain perturbation (every iteration one by one, as before)
// and with runs of iterations skipped as linear maps (as now), on one
// thread and on every core. A view doubles suffice for is the vector loop's
// and has no before and after.
//
// Most views are centred on a Misiurewicz point of the seahorse valley
// (preperiod 24, period 2, found by Newton's method from -0.7436 + 0.1318i):
// its spirals repeat at every depth, and close to it pixels take thousands
// of iterations to escape. One lies wholly inside the main cardioid, where
// nothing escapes.
//
// Counters: seconds of the render (the reference orbit and table
// included), the mean iterations a pixel took and how many of them were
// skipped, the share of the time the reference orbit took.
//
//   build/bench/deep_render_bench --benchmark_counters_tabular=true

#include "parallel_render.h"
#include "perturbation.h"
#include "preperiodic_point.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr fractal::PlanePoint SeahorseGuess{-0.7436, 0.1318};
constexpr int SeahorsePreperiod = 24;
constexpr int SeahorsePeriod = 2;
// Enough for the deepest view measured.
constexpr fractal::BigFloat::Bits PointBits = 3600;

struct Case
{
    const char* width;
    int limit;
    // Centred on the seahorse point, or on -0.1 + 0.1i inside the set.
    bool inside = false;
};

std::optional<fractal::DeepView> ViewOf(const Case& c)
{
    fractal::DeepPoint centre{fractal::BigFloat(-0.1, PointBits), fractal::BigFloat(0.1, PointBits)};
    if (!c.inside) {
        const std::optional<fractal::DeepPoint> point =
            fractal::FindPreperiodicPoint(SeahorseGuess, SeahorsePreperiod, SeahorsePeriod, PointBits);
        if (!point)
            return std::nullopt;
        centre = *point;
    }
    const fractal::BigFloat half = *fractal::BigFloat::Parse(c.width, PointBits) / 2.0;
    return fractal::DeepView(centre.x - half, centre.x + half, centre.y - half, centre.y + half);
}

struct Totals
{
    std::atomic<std::int64_t> iterations{0};
    std::atomic<std::int64_t> skipped{0};
};

// Columns shared out to the threads one at a time, as the window's renderer does.
void RenderPlan(const fractal::PerturbationPlan& plan, int side, int limit, int threads, Totals& totals)
{
    std::atomic<int> nextColumn{0};
    const auto work = [&] {
        std::int64_t iterations = 0;
        std::int64_t skipped = 0;
        for (int x = nextColumn++; x < side; x = nextColumn++) {
            for (int y = 0; y < side; ++y) {
                const fractal::PixelOutcome outcome = plan.Evaluate(x, y, limit);
                iterations += outcome.count == fractal::NotEscaped ? limit + 1 : outcome.count + 1;
                skipped += outcome.skipped;
            }
        }
        totals.iterations += iterations;
        totals.skipped += skipped;
    };
    std::vector<std::jthread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back(work);
}

void BM_Deep(benchmark::State& state, Case c, bool bilinear, bool allCores)
{
    const std::optional<fractal::DeepView> view = ViewOf(c);
    if (!view) {
        state.SkipWithError("Newton's method found no Misiurewicz point");
        return;
    }
    const int threads = allCores ? static_cast<int>(std::max(1U, std::thread::hardware_concurrency())) : 1;
    const int pixels = view->Side() * view->Side();
    Clock::duration orbitTime{};
    Clock::duration wholeTime{};
    Totals totals;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        if (const std::optional<fractal::View> shallow = view->AsView()) {
            fractal::ParallelRenderOptions options;
            options.threadCount = threads;
            fractal::RenderInParallel(*shallow, c.limit, {}, {}, options);
        } else {
            std::optional<fractal::ReferenceOrbit> orbit = fractal::ComputeReferenceOrbit(*view, c.limit);
            orbitTime += Clock::now() - start;
            const fractal::PerturbationPlan plan(*view, std::move(*orbit), {bilinear, threads});
            RenderPlan(plan, view->Side(), c.limit, threads, totals);
        }
        wholeTime += Clock::now() - start;
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["seconds"] = std::chrono::duration<double>(wholeTime).count() / runs;
    state.counters["threads"] = threads;
    if (!view->AsView()) {
        state.counters["iterations_per_pixel"] = static_cast<double>(totals.iterations) / runs / pixels;
        state.counters["skipped_per_pixel"] = static_cast<double>(totals.skipped) / runs / pixels;
        state.counters["orbit_share"] =
            std::chrono::duration<double>(orbitTime) / std::chrono::duration<double>(wholeTime);
    }
}

void Register(const char* name, Case c, bool beforeToo)
{
    for (const bool allCores : {false, true}) {
        const std::string threads = allCores ? "/all_cores" : "/one_thread";
        for (const bool bilinear : {false, true}) {
            if (!bilinear && !beforeToo)
                continue;
            const std::string label = std::string(name) + threads + (bilinear ? "/after" : "/before");
            benchmark::RegisterBenchmark(label.c_str(), BM_Deep, c, bilinear, allCores)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->UseRealTime();
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // Width, iterations; the double loop's view has no before.
    Register("seahorse/1e-10/10000", {"1e-10", 10'000}, false);
    Register("seahorse/1e-30/10000", {"1e-30", 10'000}, true);
    Register("seahorse/1e-100/50000", {"1e-100", 50'000}, true);
    Register("seahorse/1e-300/100000", {"1e-300", 100'000}, true);
    Register("seahorse/1e-1000/100000", {"1e-1000", 100'000}, true);
    Register("inside/1e-1000/10000", {"1e-1000", 10'000, true}, true);
    // Before, this one ran for over ten minutes.
    Register("inside/1e-1000/1000000", {"1e-1000", 1'000'000, true}, false);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
