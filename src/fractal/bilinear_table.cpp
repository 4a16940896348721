#include "bilinear_table.h"

#include "perturbation.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace fractal {

namespace {

// How far below the linear term the dropped square of a single step must
// stay, relative: a double's rounding.
constexpr double Tolerance = 0x1p-53;
// Levels with fewer steps than this are built on one thread.
constexpr std::size_t StepsPerThread = 4096;

WideFloat Magnitude(const WideComplex& z)
{
    if (z.IsZero())
        return {};
    return Normalized(std::sqrt(z.x * z.x + z.y * z.y), z.exponent);
}

WideFloat Quotient(WideFloat a, WideFloat b)
{
    if (a.mantissa == 0.0 || b.mantissa == 0.0)
        return {};
    return Normalized(a.mantissa / b.mantissa, a.exponent - b.exponent);
}

BilinearStep WithRadius(WideComplex a, WideComplex b, WideFloat radius)
{
    BilinearStep step{a, b, {}, 0.0};
    if (radius.mantissa > 0.0) {
        step.radius = radius;
        step.plainRadiusSquared = Unscaled(radius * radius, 0);
    }
    return step;
}

// One iteration at index i: dz -> 2 Z_i dz + dc, dropping dz^2, which stays
// under Tolerance times 2 Z_i dz while |dz| < 2 Tolerance |Z_i|.
BilinearStep SingleStep(const OrbitPoint& z)
{
    const WideComplex a = WideComplex::Of(2.0 * z.x, 2.0 * z.y);
    return WithRadius(a, WideComplex::Of(1.0, 0.0), Wide(Tolerance) * Magnitude(a));
}

// first, then second: a = a2 a1, b = a2 b1 + b2; valid while dz is within
// first's radius and its image within second's, allowing for any dc.
BilinearStep Merged(const BilinearStep& first, const BilinearStep& second, WideFloat largestOffset)
{
    const WideComplex a = second.a * first.a;
    const WideComplex b = second.a * first.b + second.b;
    if (first.radius.mantissa == 0.0 || second.radius.mantissa == 0.0)
        return WithRadius(a, b, {});
    const WideFloat room = second.radius + -(Magnitude(first.b) * largestOffset);
    if (room.mantissa <= 0.0)
        return WithRadius(a, b, {});
    const WideFloat radius = Quotient(room, Magnitude(first.a));
    return WithRadius(a, b, radius < first.radius ? radius : first.radius);
}

template <class Fill>
void InParallel(std::size_t count, int threadCount, const Fill& fill)
{
    const std::size_t threads =
        std::clamp<std::size_t>(count / StepsPerThread, 1, static_cast<std::size_t>(std::max(threadCount, 1)));
    if (threads == 1) {
        fill(0, count);
        return;
    }
    std::vector<std::jthread> workers;
    for (std::size_t t = 0; t < threads; ++t)
        workers.emplace_back([&, t] { fill(count * t / threads, count * (t + 1) / threads); });
}

} // namespace

BilinearTable::BilinearTable(const std::vector<OrbitPoint>& orbit, WideFloat largestOffset, int threadCount)
{
    if (threadCount <= 0)
        threadCount = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    const long last = static_cast<long>(orbit.size()) - 1;
    levels_.emplace_back();  // single steps are plain steps, not kept
    for (long length = 2; length < last - 1; length *= 2) {
        // Runs from 1 + j * length landing before the last point.
        const std::size_t count = static_cast<std::size_t>((last - 2) / length);
        if (count == 0)
            break;
        std::vector<BilinearStep> level(count);
        const std::vector<BilinearStep>* shorter = levels_.size() > 1 ? &levels_.back() : nullptr;
        InParallel(count, threadCount, [&](std::size_t begin, std::size_t end) {
            for (std::size_t j = begin; j < end; ++j) {
                if (shorter == nullptr) {
                    const std::size_t i = 1 + 2 * j;
                    level[j] = Merged(SingleStep(orbit[i]), SingleStep(orbit[i + 1]), largestOffset);
                } else {
                    level[j] = Merged((*shorter)[2 * j], (*shorter)[2 * j + 1], largestOffset);
                }
            }
        });
        levels_.push_back(std::move(level));
    }
}

std::size_t BilinearTable::StepCount() const
{
    std::size_t count = 0;
    for (const std::vector<BilinearStep>& level : levels_)
        count += level.size();
    return count;
}

} // namespace fractal
