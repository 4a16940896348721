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
#include <complex>
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

// The number type of differences below the range of doubles, against long
// double (whose exponent reaches 1e-4951): one linear step dz -> a dz + b dc
// as the table's runs take it, at 1e-1000.
void BM_WideStep(benchmark::State& state)
{
    const fractal::WideComplex a = fractal::WideComplex::Of(0.8, 0.6, 2);
    const fractal::WideComplex b = fractal::WideComplex::Of(1.0, 0.5, 0);
    const fractal::WideComplex dc = fractal::WideComplex::Of(0.3, -0.7, -3322);
    const fractal::WideComplex bdc = b * dc;
    fractal::WideComplex dz = dc;
    for (auto _ : state) {
        dz = fractal::MultiplyAdd(a, dz, bdc);
        // Keep it from growing out of range: the steps stay alike.
        dz.exponent = -3322;
        benchmark::DoNotOptimize(dz);
    }
}
BENCHMARK(BM_WideStep);

void BM_LongDoubleStep(benchmark::State& state)
{
    using Complex = std::complex<long double>;
    const Complex a(3.2L, 2.4L);
    const Complex b(1.0L, 0.5L);
    const Complex dc(0.3e-1000L, -0.7e-1000L);
    const Complex bdc(b.real() * dc.real() - b.imag() * dc.imag(), b.real() * dc.imag() + b.imag() * dc.real());
    Complex dz = dc;
    for (auto _ : state) {
        // Written out, as std::complex's product checks for infinities.
        dz = Complex(a.real() * dz.real() - a.imag() * dz.imag() + bdc.real(),
                     a.real() * dz.imag() + a.imag() * dz.real() + bdc.imag());
        dz *= 1e-1L;
        benchmark::DoNotOptimize(dz);
    }
}
BENCHMARK(BM_LongDoubleStep);

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
