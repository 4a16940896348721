// How many pixels of deep views get the very count straight high-precision
// iteration gives them, with runs of iterations skipped as linear maps (as
// the renderer draws them) and without (plain perturbation): sampled pixels
// of the views the deep benchmark measures. Not timed.
//
//   build/bench/deep_accuracy_check [pixels per view, default 200]

#include "direct_escape_count.h"
#include "perturbation.h"
#include "preperiodic_point.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>

int main(int argc, char** argv)
{
    const int pixels = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    constexpr fractal::BigFloat::Bits Bits = 3600;
    const std::optional<fractal::DeepPoint> point = fractal::FindPreperiodicPoint({-0.7436, 0.1318}, 24, 2, Bits);
    if (!point) {
        std::fprintf(stderr, "Newton's method found no Misiurewicz point\n");
        return 1;
    }
    const struct
    {
        const char* width;
        int limit;
    } views[] = {{"1e-30", 10'000}, {"1e-100", 50'000}, {"1e-300", 100'000}, {"1e-1000", 100'000}};
    std::printf("%-8s %8s %7s %16s %16s %18s\n", "width", "limit", "pixels", "linear maps", "plain", "inside agrees");
    for (const auto& v : views) {
        const fractal::BigFloat half = *fractal::BigFloat::Parse(v.width, Bits) / 2.0;
        const fractal::DeepView view(point->x - half, point->x + half, point->y - half, point->y + half);
        const fractal::ReferenceOrbit orbit = *fractal::ComputeReferenceOrbit(view, v.limit);
        const fractal::PerturbationPlan linear(view, orbit);
        const fractal::PerturbationPlan plain(view, orbit, {.bilinear = false});
        std::mt19937 random(2026);
        std::uniform_int_distribution<int> cell(0, view.Side() - 1);
        int linearEqual = 0;
        int plainEqual = 0;
        int insideAgrees = 0;
        for (int i = 0; i < pixels; ++i) {
            const int x = cell(random);
            const int y = cell(random);
            const int direct = fractal::testing::DirectEscapeCount(view, x, y, v.limit);
            const int count = linear.EscapeCount(x, y, v.limit);
            linearEqual += count == direct;
            plainEqual += plain.EscapeCount(x, y, v.limit) == direct;
            insideAgrees += (count == fractal::NotEscaped) == (direct == fractal::NotEscaped);
        }
        const auto share = [pixels](int n) { return 100.0 * n / pixels; };
        std::printf("%-8s %8d %7d %15.1f%% %15.1f%% %17.1f%%\n", v.width, v.limit, pixels, share(linearEqual),
                    share(plainEqual), share(insideAgrees));
        std::fflush(stdout);
    }
    return 0;
}
