#pragma once

// One pixel of a deep view iterated against the reference orbit, for the
// perturbation renderer's own use.
//
// Every pixel is iterated as its difference dz from the reference orbit Z:
// dz' = (2Z + dz) dz + dc. Whenever the pixel's own orbit Z + dz comes
// closer to 0 than dz, or the reference runs out, the difference restarts
// from the reference's start (dz = Z + dz, index 0); that keeps dz small
// against Z wherever precision matters, so no glitch needs detecting.
//
// A difference too small for doubles (below 2^-480, where its square would
// leave the normal range) is kept rescaled: dz = w * 2^scale with w a
// double of moderate size, iterating w' = (2Z + s w) w + dc / 2^scale with
// s = 2^scale. It goes back to plain doubles once it has grown.
//
// Where a run of iterations is a linear map of dz to a double's rounding,
// it is taken in one step from the bilinear table; a pixel seen to repeat
// exactly is inside the set.

#include "bilinear_table.h"
#include "perturbation.h"
#include "wide_float.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fractal::perturbed {

constexpr double EscapeNorm = 4.0;
// Differences with a smaller exponent are iterated rescaled.
constexpr long RescaledBelowExponent = -480;
// |dz|^2 below this in plain doubles: go rescaled.
constexpr double TinyNorm = 0x1p-960;
// Rescaled, |dz|^2 stays below 2^-896; a pixel orbit whose |z|^2 in doubles
// is below this may be closer to 0 than dz and is compared exactly.
constexpr double CarefulNorm = 0x1p-880;
// Rescaled, |dz| < 2^-448; where the reference's |Z| is at least 2^-388
// the step needs neither dz^2 nor the pixel's own orbit (see RunRescaled).
constexpr double LinearNorm = 0x1p-776;
// Rescaled, w beyond 2^32 moves into the scale.
constexpr double RescaleNorm = 0x1p64;

inline double Power(long exponent)
{
    return exponent < NegligibleExponent ? 0.0 : std::ldexp(1.0, static_cast<int>(exponent));
}

inline double Norm(OrbitPoint z)
{
    return z.x * z.x + z.y * z.y;
}

// The difference dz = (x, y) * 2^scale of one pixel, and where it is on the
// reference orbit.
struct Difference
{
    double x = 0.0;
    double y = 0.0;
    long scale = 0;
    bool rescaled = false;
    int index = 0;
};

class Pixel
{
public:
    Pixel(const ReferenceOrbit& orbit, WideFloat offsetX, WideFloat offsetY, const BilinearTable* table)
        : orbit_(orbit.points.data()), last_(static_cast<int>(orbit.points.size()) - 1), offsetX_(offsetX),
          offsetY_(offsetY), offsetScale_(std::max(offsetX.exponent, offsetY.exponent)), table_(table),
          cycleStart_(orbit.cyclePeriod != 0 ? static_cast<int>(orbit.cycleStart) : NoCycle),
          cyclePeriod_(static_cast<int>(orbit.cyclePeriod)), phaseIndex_(cycleStart_)
    {
        if (table_ != nullptr && (offsetX.mantissa != 0.0 || offsetY.mantissa != 0.0))
            dc_ = WideComplex::Of(Unscaled(offsetX, offsetScale_), Unscaled(offsetY, offsetScale_), offsetScale_);
        if (offsetScale_ < RescaledBelowExponent) {
            dz_.rescaled = true;
            dz_.scale = offsetScale_;
        }
    }

    int Count(int maxIterations)
    {
        int n = 0;
        while (n <= maxIterations) {
            const int count = dz_.rescaled ? RunRescaled(n, maxIterations) : RunPlain(n, maxIterations);
            if (count != NotEscaped)
                return count;
        }
        return NotEscaped;
    }

    double NormPastRadius() const { return escapeNorm_; }
    long Skipped() const { return skipped_; }

private:
    // Plain doubles until escape (the count), the end (NotEscaped with
    // n past the limit) or a difference too small for them.
    int RunPlain(int& n, int maxIterations)
    {
        const OrbitPoint* const z = orbit_;
        const double cx = Unscaled(offsetX_, 0);
        const double cy = Unscaled(offsetY_, 0);
        double dx = dz_.x;
        double dy = dz_.y;
        int m = dz_.index;
        for (; n <= maxIterations; ++n) {
            if (m >= phaseIndex_) {
                if (m == phaseIndex_ && RepeatsInCycle(dx, dy)) {
                    n = maxIterations + 1;
                    return NotEscaped;
                }
                phaseIndex_ = NextPhase(m + 1);
            }
            int level = 0;
            const BilinearStep* step = m != 0 && table_ != nullptr ? table_->Longest(m, dx * dx + dy * dy, 0, level) : nullptr;
            if (step != nullptr) {
                const auto [ax, ay] = ScaledDown(step->a, 0);
                const auto [bx, by] = ScaledDown(step->b, 0);
                const double nx = ax * dx - ay * dy + (bx * cx - by * cy);
                const double ny = ax * dy + ay * dx + (bx * cy + by * cx);
                dx = nx;
                dy = ny;
                Skip(n, m, level);
                if (dx * dx + dy * dy < TinyNorm)
                    return Resume(n, Wide(dx), Wide(dy), m);
                continue;
            }
            const double tx = 2.0 * z[m].x + dx;
            const double ty = 2.0 * z[m].y + dy;
            const double nx = tx * dx - ty * dy + cx;
            const double ny = tx * dy + ty * dx + cy;
            ++m;
            const double fx = z[m].x + nx;
            const double fy = z[m].y + ny;
            const double norm = fx * fx + fy * fy;
            if (norm > EscapeNorm) {
                escapeNorm_ = norm;
                return n;
            }
            const double differenceNorm = nx * nx + ny * ny;
            if (m == last_ && cyclePeriod_ != 0 && norm >= differenceNorm) {
                // A repeating reference goes on from the same place in its
                // cycle, nearer the start.
                m = cycleStart_ + (m - cycleStart_) % cyclePeriod_;
                phaseIndex_ = NextPhase(m);
                dx = nx;
                dy = ny;
                continue;
            }
            if (norm < differenceNorm || m == last_) {
                dx = fx;
                dy = fy;
                m = 0;
                phaseIndex_ = cycleStart_;
                if (RepeatsAtRebasing(fx, fy)) {
                    n = maxIterations + 1;
                    return NotEscaped;
                }
                if (norm < TinyNorm)
                    return Resume(n, Wide(fx), Wide(fy), m);
            } else {
                dx = nx;
                dy = ny;
                if (differenceNorm < TinyNorm)
                    return Resume(n, Wide(nx), Wide(ny), m);
            }
        }
        return NotEscaped;
    }

    // Iteration n is done; go on from dz = (x, y) at this orbit index,
    // rescaled if small, in plain doubles otherwise.
    int Resume(int& n, WideFloat x, WideFloat y, int index)
    {
        ++n;
        dz_.index = index;
        const long scale = std::max({x.exponent, y.exponent, offsetScale_});
        dz_.rescaled = scale < RescaledBelowExponent;
        dz_.scale = dz_.rescaled ? scale : 0;
        dz_.x = Unscaled(x, dz_.scale);
        dz_.y = Unscaled(y, dz_.scale);
        return NotEscaped;
    }

    // Every step depends only on the index and the difference, so a pixel
    // back at index 0 with the very difference it had there before goes
    // round for ever: inside the set. Saved at the rebasings 1, 2, 4, ...,
    // compared at every one (Brent's method).
    bool RepeatsAtRebasing(double x, double y)
    {
        if (x == savedX_ && y == savedY_)
            return true;
        ++rebasings_;
        if ((rebasings_ & (rebasings_ - 1)) == 0) {
            savedX_ = x;
            savedY_ = y;
        }
        return false;
    }

    // The same for a reference that repeats: a pixel at the same place in
    // the reference's cycle with the very difference it had there before.
    bool RepeatsInCycle(double x, double y)
    {
        if (x == cycleX_ && y == cycleY_)
            return true;
        ++cycleChecks_;
        if ((cycleChecks_ & (cycleChecks_ - 1)) == 0) {
            cycleX_ = x;
            cycleY_ = y;
        }
        return false;
    }

    // The first index from m on at the start of the reference's cycle.
    int NextPhase(int m) const
    {
        if (cyclePeriod_ == 0)
            return NoCycle;
        if (m <= cycleStart_)
            return cycleStart_;
        return cycleStart_ + (m - cycleStart_ + cyclePeriod_ - 1) / cyclePeriod_ * cyclePeriod_;
    }

    // Iterations n .. n + 2^level - 1 were taken as one linear map from
    // orbit index m; the caller's loop counts the last.
    void Skip(int& n, int& m, int level)
    {
        const int length = 1 << level;
        n += length - 1;
        m += length;
        skipped_ += length;
    }

    // Rescaled until escape, the end, a change of scale or rebasing.
    int RunRescaled(int& n, int maxIterations)
    {
        const OrbitPoint* const z = orbit_;
        const long scale = dz_.scale;
        const double s = Power(scale);
        const double cx = Unscaled(offsetX_, scale);
        const double cy = Unscaled(offsetY_, scale);
        double wx = dz_.x;
        double wy = dz_.y;
        int m = dz_.index;
        for (; n <= maxIterations; ++n) {
            int level = 0;
            const BilinearStep* step = m != 0 && table_ != nullptr ? table_->Longest(m, wx * wx + wy * wy, scale, level) : nullptr;
            if (step != nullptr) {
                const WideComplex next = MultiplyAdd(step->a, WideComplex::Of(wx, wy, scale), step->b * dc_);
                Skip(n, m, level);
                return Resume(n, Normalized(next.x, next.exponent), Normalized(next.y, next.exponent), m);
            }
            if (m + 1 < last_ && Norm(z[m]) >= LinearNorm && Norm(z[m + 1]) >= LinearNorm) {
                // Far from 0 the reference dwarfs dz: dz^2 is under a
                // double's rounding of 2 Z dz, Z + dz rounds to Z (no escape,
                // no rebasing), and the step is linear. Z is doubled first to
                // keep the doubling off the chain through w.
                const double ax = 2.0 * z[m].x;
                const double ay = 2.0 * z[m].y;
                const double nx = ax * wx - ay * wy + cx;
                const double ny = ax * wy + ay * wx + cy;
                ++m;
                wx = nx;
                wy = ny;
                if (wx * wx + wy * wy > RescaleNorm)
                    return Resume(n, Normalized(wx, scale), Normalized(wy, scale), m);
                continue;
            }
            const double tx = 2.0 * z[m].x + s * wx;
            const double ty = 2.0 * z[m].y + s * wy;
            const double nx = tx * wx - ty * wy + cx;
            const double ny = tx * wy + ty * wx + cy;
            ++m;
            const double fx = z[m].x + s * nx;
            const double fy = z[m].y + s * ny;
            const double norm = fx * fx + fy * fy;
            if (norm > EscapeNorm) {
                escapeNorm_ = norm;
                return n;
            }
            if (norm < CarefulNorm || m == last_) {
                const WideFloat ex = Wide(z[m].x) + Normalized(nx, scale);
                const WideFloat ey = Wide(z[m].y) + Normalized(ny, scale);
                if (m == last_ || ex * ex + ey * ey < Normalized(nx * nx + ny * ny, 2 * scale))
                    return Resume(n, ex, ey, 0);
            }
            wx = nx;
            wy = ny;
            if (wx * wx + wy * wy > RescaleNorm)
                return Resume(n, Normalized(wx, scale), Normalized(wy, scale), m);
        }
        return NotEscaped;
    }

    const OrbitPoint* orbit_;
    int last_;
    WideFloat offsetX_;
    WideFloat offsetY_;
    long offsetScale_;
    Difference dz_;
    double escapeNorm_ = 0.0;
    const BilinearTable* table_;
    WideComplex dc_;
    long skipped_ = 0;
    long rebasings_ = 0;
    // Nothing equals NaN: no save yet.
    double savedX_ = std::numeric_limits<double>::quiet_NaN();
    double savedY_ = std::numeric_limits<double>::quiet_NaN();
    static constexpr int NoCycle = std::numeric_limits<int>::max();
    int cycleStart_;
    int cyclePeriod_;
    // The next index at the start of the cycle where the pixel is checked.
    int phaseIndex_;
    long cycleChecks_ = 0;
    double cycleX_ = std::numeric_limits<double>::quiet_NaN();
    double cycleY_ = std::numeric_limits<double>::quiet_NaN();
};

} // namespace fractal::perturbed
