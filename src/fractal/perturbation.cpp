#include "perturbation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

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

namespace fractal {

namespace {

// Bits beyond the view's own for the reference orbit, so its rounding stays
// far below a pixel.
constexpr BigFloat::Bits OrbitGuardBits = 32;
// A reference orbit back within 2^-(precision + this) of an earlier point
// is taken to repeat from there.
constexpr long OrbitCycleMarginBits = 16;
// How often a long computation looks at its stop token.
constexpr int StopCheckInterval = 1024;

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

double Power(long exponent)
{
    return exponent < NegligibleExponent ? 0.0 : std::ldexp(1.0, static_cast<int>(exponent));
}

WideFloat ToWide(const BigFloat& value)
{
    if (value.IsZero())
        return {};
    long exponent = 0;
    const double mantissa = mpfr_get_d_2exp(&exponent, value.Raw(), MPFR_RNDN);
    return Normalized(mantissa, exponent);
}

// |a - b| < 2^exponent, with scratch for the difference.
bool Within(const BigFloat& a, const BigFloat& b, BigFloat& scratch, long exponent)
{
    mpfr_sub(scratch.Raw(), a.Raw(), b.Raw(), MPFR_RNDN);
    return mpfr_zero_p(scratch.Raw()) != 0 || mpfr_get_exp(scratch.Raw()) < exponent;
}

double Norm(OrbitPoint z)
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
                const WideComplex next = step->a * WideComplex::Of(wx, wy, scale) + step->b * dc_;
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

} // namespace

std::optional<ReferenceOrbit> ComputeReferenceOrbit(const DeepView& view, int maxIterations, std::stop_token stop)
{
    const BigFloat::Bits bits = view.Precision() + OrbitGuardBits;
    ReferenceOrbit orbit{{(view.XMin().Rounded(bits) + view.XMax()) / 2.0, (view.YMin().Rounded(bits) + view.YMax()) / 2.0},
                         {}};
    orbit.points.reserve(static_cast<std::size_t>(maxIterations) + 2);
    orbit.points.push_back({});
    BigFloat x(bits);
    BigFloat y(bits);
    BigFloat sum(bits);
    BigFloat difference(bits);
    BigFloat savedX(bits);
    BigFloat savedY(bits);
    std::size_t saved = 0;
    const long closeExponent = -static_cast<long>(view.Precision()) - OrbitCycleMarginBits;
    for (int n = 0; n <= maxIterations; ++n) {
        if (n % StopCheckInterval == 0 && stop.stop_requested())
            return std::nullopt;
        // x' = (x + y)(x - y) + cx, y' = 2xy + cy: two multiplications.
        mpfr_add(sum.Raw(), x.Raw(), y.Raw(), MPFR_RNDN);
        mpfr_sub(difference.Raw(), x.Raw(), y.Raw(), MPFR_RNDN);
        mpfr_mul(y.Raw(), x.Raw(), y.Raw(), MPFR_RNDN);
        mpfr_mul_2ui(y.Raw(), y.Raw(), 1, MPFR_RNDN);
        mpfr_add(y.Raw(), y.Raw(), orbit.centre.y.Raw(), MPFR_RNDN);
        mpfr_mul(x.Raw(), sum.Raw(), difference.Raw(), MPFR_RNDN);
        mpfr_add(x.Raw(), x.Raw(), orbit.centre.x.Raw(), MPFR_RNDN);
        const OrbitPoint point{x.ToDouble(), y.ToDouble()};
        orbit.points.push_back(point);
        if (point.x * point.x + point.y * point.y > EscapeNorm)
            break;
        // Brent's method: saved at points 1, 2, 4, 8, ..., compared with
        // every point after, so any cycle is seen once the gap passes its
        // period.
        const std::size_t index = orbit.points.size() - 1;
        if (saved != 0 && Within(x, savedX, difference, closeExponent) && Within(y, savedY, difference, closeExponent)) {
            // An orbit back within far less than a pixel of where it was
            // goes round that cycle for ever: a point inside the set, or one
            // on a cycle; the rest needs no high precision.
            const std::size_t period = index - saved;
            while (orbit.points.size() < static_cast<std::size_t>(maxIterations) + 2)
                orbit.points.push_back(orbit.points[orbit.points.size() - period]);
            if (orbit.points.size() > index + 1 + period) {
                orbit.cycleStart = saved + 1;
                orbit.cyclePeriod = period;
            }
            break;
        }
        if ((index & (index - 1)) == 0) {
            mpfr_set(savedX.Raw(), x.Raw(), MPFR_RNDN);
            mpfr_set(savedY.Raw(), y.Raw(), MPFR_RNDN);
            saved = index;
        }
    }
    return orbit;
}

PerturbationPlan::PerturbationPlan(const DeepView& view, ReferenceOrbit orbit, PerturbationOptions options)
    : orbit_(std::move(orbit))
{
    columnOffsets_.reserve(static_cast<std::size_t>(view.Side()));
    rowOffsets_.reserve(static_cast<std::size_t>(view.Side()));
    for (int i = 0; i < view.Side(); ++i) {
        // The sample points of ToPlane, then their exact-enough distance
        // from the centre.
        const DeepPoint point = ToPlane(view, static_cast<float>(i), static_cast<float>(i));
        columnOffsets_.push_back(ToWide(point.x - orbit_.centre.x));
        rowOffsets_.push_back(ToWide(point.y - orbit_.centre.y));
    }
    if (options.bilinear) {
        WideFloat sides[2];
        for (int axis = 0; axis < 2; ++axis) {
            for (const WideFloat& offset : axis == 0 ? columnOffsets_ : rowOffsets_) {
                const WideFloat size{std::abs(offset.mantissa), offset.exponent};
                sides[axis] = sides[axis] < size ? size : sides[axis];
            }
        }
        // The corner farthest from the centre, rounded up a little.
        const long scale = std::max(sides[0].exponent, sides[1].exponent);
        const WideFloat largest =
            Normalized(std::hypot(Unscaled(sides[0], scale), Unscaled(sides[1], scale)) * (1.0 + 0x1p-50), scale);
        table_ = std::make_unique<const BilinearTable>(orbit_.points, largest, options.threadCount);
    }
}

PerturbationPlan::~PerturbationPlan() = default;
PerturbationPlan::PerturbationPlan(PerturbationPlan&&) noexcept = default;

PixelOutcome PerturbationPlan::Evaluate(int x, int y, int maxIterations) const
{
    Pixel pixel(orbit_, columnOffsets_[static_cast<std::size_t>(x)], rowOffsets_[static_cast<std::size_t>(y)],
                table_.get());
    const int count = pixel.Count(maxIterations);
    return {count, pixel.NormPastRadius(), pixel.Skipped()};
}

int PerturbationPlan::EscapeCount(int x, int y, int maxIterations, double* escapeNorm) const
{
    const PixelOutcome outcome = Evaluate(x, y, maxIterations);
    if (escapeNorm != nullptr)
        *escapeNorm = outcome.escapeNorm;
    return outcome.count;
}

bool PerturbationPlan::RenderColumns(int firstColumn, int endColumn, int maxIterations, ColourGrid& grid,
                                     const ColumnDone& columnDone, std::stop_token stop) const
{
    const int side = static_cast<int>(rowOffsets_.size());
    for (int x = firstColumn; x < endColumn; ++x) {
        for (int y = 0; y < side; ++y) {
            if (stop.stop_requested())
                return false;
            const int count = EscapeCount(x, y, maxIterations);
            if (count != NotEscaped)
                grid.Set(x, y, ColourOf(count));
        }
        if (columnDone)
            columnDone(x, grid);
    }
    return true;
}

bool IsFarOut(const DeepView& view)
{
    return view.Precision() == BigFloat::DoubleBits && !view.AsView();
}

// Every cell outside the square of side 4 around 0 escapes at once, and the
// few inside it are points that a double holds.
int FarOutEscapeCount(const DeepView& view, int x, int y, int maxIterations)
{
    const BigFloat escapeRadius(2.0, view.Precision());
    const DeepPoint c = ToPlane(view, static_cast<float>(x), static_cast<float>(y));
    if (c.x.Abs() > escapeRadius || c.y.Abs() > escapeRadius)
        return 0;
    return EscapeCount(c.x.ToDouble(), c.y.ToDouble(), maxIterations);
}

namespace {

std::optional<ColourGrid> RenderFarOut(const DeepView& view, int maxIterations, const ColumnDone& columnDone,
                                       std::stop_token stop)
{
    ColourGrid grid(view.Side());
    for (int x = 0; x < view.Side(); ++x) {
        for (int y = 0; y < view.Side(); ++y) {
            if (stop.stop_requested())
                return std::nullopt;
            const int count = FarOutEscapeCount(view, x, y, maxIterations);
            if (count != NotEscaped)
                grid.Set(x, y, ColourOf(count));
        }
        if (columnDone)
            columnDone(x, grid);
    }
    return grid;
}

} // namespace

std::optional<ColourGrid> RenderDeep(const DeepView& view, int maxIterations, const ColumnDone& columnDone,
                                     std::stop_token stop)
{
    const std::optional<View> shallow = view.AsView();
    if (shallow) {
        // The double loop has no stop of its own: asked to stop, its
        // picture is dropped when it returns.
        if (stop.stop_requested())
            return std::nullopt;
        ColourGrid grid = Render(*shallow, maxIterations, columnDone);
        if (stop.stop_requested())
            return std::nullopt;
        return grid;
    }
    if (IsFarOut(view))
        return RenderFarOut(view, maxIterations, columnDone, stop);
    std::optional<ReferenceOrbit> orbit = ComputeReferenceOrbit(view, maxIterations, stop);
    if (!orbit)
        return std::nullopt;
    const PerturbationPlan plan(view, std::move(*orbit));
    ColourGrid grid(view.Side());
    if (!plan.RenderColumns(0, view.Side(), maxIterations, grid, columnDone, stop))
        return std::nullopt;
    return grid;
}

} // namespace fractal
