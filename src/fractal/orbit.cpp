#include "orbit.h"

#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace fractal {

namespace {

constexpr double EscapeNorm = 4.0;
// Two points of an orbit this close, in cells of the view (and never
// further apart than 1e-9), count as one when a cycle is looked for.
constexpr double CycleToleranceInCells = 1e-3;
constexpr double CycleToleranceMost = 1e-9;
// Cell positions beyond this are kept at this size, in the same direction.
constexpr double FarthestCell = 1e300;
// Deep orbits carry this many bits beyond the view's own.
constexpr mpfr_prec_t ExtraBits = 32;

// An orbit in doubles, step for step as EscapeCount computes it.
class DoubleOrbit
{
public:
    DoubleOrbit(const View& view, PlanePoint c) : view_(view), c_(c) {}

    // One iteration; true when the new point lies past radius 2.
    bool Step()
    {
        const double nx = zx_ * zx_ - zy_ * zy_ + c_.x;
        const double ny = 2.0 * zx_ * zy_ + c_.y;
        zx_ = nx;
        zy_ = ny;
        return nx * nx + ny * ny > EscapeNorm;
    }
    PlanePoint Cell() const { return {(zx_ - view_.xMin) / view_.XStep(), (zy_ - view_.yMin) / view_.YStep()}; }
    void Keep() { kept_ = {zx_, zy_}; }
    bool AtKept() const { return zx_ == kept_.x && zy_ == kept_.y; }
    bool NearKept() const
    {
        const double tolerance = std::min(CycleToleranceMost, view_.XStep() * CycleToleranceInCells);
        const double dx = zx_ - kept_.x;
        const double dy = zy_ - kept_.y;
        return dx * dx + dy * dy < tolerance * tolerance;
    }

private:
    View view_;
    PlanePoint c_;
    double zx_ = 0.0;
    double zy_ = 0.0;
    PlanePoint kept_;
};

// An orbit in the view's precision and a little more, through MPFR's own
// calls so that no number is made anew each iteration.
class DeepOrbit
{
public:
    DeepOrbit(const DeepView& view, const DeepPoint& c)
    {
        const mpfr_prec_t bits = std::max<mpfr_prec_t>(view.Precision(), BigFloat::DoubleBits) + ExtraBits;
        for (mpfr_ptr number : Numbers())
            mpfr_init2(number, bits);
        mpfr_set(cx_, c.x.Raw(), MPFR_RNDN);
        mpfr_set(cy_, c.y.Raw(), MPFR_RNDN);
        mpfr_set_zero(zx_, 1);
        mpfr_set_zero(zy_, 1);
        mpfr_set(xMin_, view.XMin().Raw(), MPFR_RNDN);
        mpfr_set(yMin_, view.YMin().Raw(), MPFR_RNDN);
        // Named: MPFR's macros would outlive a temporary.
        const BigFloat xStep = view.XStep();
        const BigFloat yStep = view.YStep();
        mpfr_set(xStep_, xStep.Raw(), MPFR_RNDN);
        mpfr_set(yStep_, yStep.Raw(), MPFR_RNDN);
        // The tolerance squared, compared with squared distances.
        mpfr_mul_d(tolerance_, xStep_, CycleToleranceInCells, MPFR_RNDN);
        if (mpfr_cmp_d(tolerance_, CycleToleranceMost) > 0)
            mpfr_set_d(tolerance_, CycleToleranceMost, MPFR_RNDN);
        mpfr_sqr(tolerance_, tolerance_, MPFR_RNDN);
    }
    ~DeepOrbit()
    {
        for (mpfr_ptr number : Numbers())
            mpfr_clear(number);
    }
    DeepOrbit(const DeepOrbit&) = delete;
    DeepOrbit& operator=(const DeepOrbit&) = delete;

    bool Step()
    {
        mpfr_sqr(x2_, zx_, MPFR_RNDN);
        mpfr_sqr(y2_, zy_, MPFR_RNDN);
        mpfr_mul(t_, zx_, zy_, MPFR_RNDN);
        mpfr_mul_2ui(t_, t_, 1, MPFR_RNDN);
        mpfr_add(zy_, t_, cy_, MPFR_RNDN);
        mpfr_sub(zx_, x2_, y2_, MPFR_RNDN);
        mpfr_add(zx_, zx_, cx_, MPFR_RNDN);
        mpfr_sqr(x2_, zx_, MPFR_RNDN);
        mpfr_sqr(y2_, zy_, MPFR_RNDN);
        mpfr_add(t_, x2_, y2_, MPFR_RNDN);
        return mpfr_cmp_d(t_, EscapeNorm) > 0;
    }
    PlanePoint Cell()
    {
        return {CellCoordinate(zx_, xMin_, xStep_), CellCoordinate(zy_, yMin_, yStep_)};
    }
    void Keep()
    {
        mpfr_set(keptX_, zx_, MPFR_RNDN);
        mpfr_set(keptY_, zy_, MPFR_RNDN);
    }
    bool AtKept() const { return mpfr_equal_p(zx_, keptX_) && mpfr_equal_p(zy_, keptY_); }
    bool NearKept()
    {
        mpfr_sub(x2_, zx_, keptX_, MPFR_RNDN);
        mpfr_sqr(x2_, x2_, MPFR_RNDN);
        mpfr_sub(y2_, zy_, keptY_, MPFR_RNDN);
        mpfr_sqr(y2_, y2_, MPFR_RNDN);
        mpfr_add(t_, x2_, y2_, MPFR_RNDN);
        return mpfr_less_p(t_, tolerance_);
    }

private:
    std::array<mpfr_ptr, 14> Numbers()
    {
        return {cx_, cy_, zx_, zy_, x2_, y2_, t_, xMin_, yMin_, xStep_, yStep_, keptX_, keptY_, tolerance_};
    }
    // (z - min) / step as a double, kept below FarthestCell in size.
    double CellCoordinate(mpfr_srcptr z, mpfr_srcptr min, mpfr_srcptr step)
    {
        mpfr_sub(t_, z, min, MPFR_RNDN);
        mpfr_div(t_, t_, step, MPFR_RNDN);
        return std::clamp(mpfr_get_d(t_, MPFR_RNDN), -FarthestCell, FarthestCell);
    }

    mpfr_t cx_, cy_, zx_, zy_, x2_, y2_, t_, xMin_, yMin_, xStep_, yStep_, keptX_, keptY_, tolerance_;
};

bool OnPicture(PlanePoint p, int side)
{
    return p.x >= 0 && p.y >= 0 && p.x <= side && p.y <= side;
}

// Iterates as EscapeCount does, stopping where an orbit returns exactly to
// an earlier point (Brent's way of finding a cycle, as the renderer stops);
// an orbit that stays is then followed further for a cycle it comes within
// the tolerance of.
template <typename Orbit>
PointOrbit Follow(Orbit& z, int maxIterations, int side, std::stop_token stop)
{
    PointOrbit orbit;
    std::vector<PlanePoint> cells{z.Cell()};
    const auto brent = [&z](long& power, long& lambda) {
        if (++lambda == power) {
            z.Keep();
            power *= 2;
            lambda = 0;
        }
    };
    long power = 1;
    long lambda = 0;
    z.Keep();
    for (int n = 0; n <= maxIterations; ++n) {
        if (stop.stop_requested())
            return orbit;
        const bool escaped = z.Step();
        if (cells.size() <= static_cast<std::size_t>(DrawnOrbitPoints))
            cells.push_back(z.Cell());
        if (escaped) {
            orbit.escapeCount = n;
            break;
        }
        if (z.AtKept()) {
            orbit.period = lambda + 1;
            break;
        }
        brent(power, lambda);
    }
    if (orbit.escapeCount == NotEscaped && orbit.period == 0) {
        power = 1;
        lambda = 0;
        z.Keep();
        for (long i = 0; i < CycleSearchIterations && !stop.stop_requested(); ++i) {
            if (z.Step())
                break;
            if (z.NearKept()) {
                orbit.period = lambda + 1;
                break;
            }
            brent(power, lambda);
        }
        if (stop.stop_requested())
            return orbit;
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (OnPicture(cells[i], side))
            orbit.points.push_back(cells[i]);
        if (i == 0)
            continue;
        OrbitSegment segment{cells[i - 1], cells[i]};
        if (ClipToPicture(segment.from, segment.to, side))
            orbit.segments.push_back(segment);
    }
    orbit.complete = true;
    return orbit;
}

} // namespace

bool ClipToPicture(PlanePoint& a, PlanePoint& b, int side)
{
    // Liang and Barsky: the line's parameter range inside each pair of edges.
    double enter = 0.0;
    double leave = 1.0;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double edges[4][2] = {{-dx, a.x}, {dx, side - a.x}, {-dy, a.y}, {dy, side - a.y}};
    for (const auto& [towards, room] : edges) {
        if (towards == 0.0) {
            if (room < 0.0)
                return false;
            continue;
        }
        const double t = room / towards;
        if (towards < 0.0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
    }
    if (enter > leave)
        return false;
    const PlanePoint from = a;
    a = {from.x + enter * dx, from.y + enter * dy};
    b = {from.x + leave * dx, from.y + leave * dy};
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(b.x) && std::isfinite(b.y);
}

PointOrbit OrbitAt(const View& view, float x, float y, int maxIterations)
{
    DoubleOrbit orbit(view, ToPlane(view, x, y));
    return Follow(orbit, maxIterations, view.side, {});
}

PointOrbit OrbitAt(const DeepView& view, float x, float y, int maxIterations, std::stop_token stop)
{
    if (const auto doubles = view.AsView()) {
        DoubleOrbit orbit(*doubles, ToPlane(*doubles, x, y));
        return Follow(orbit, maxIterations, view.Side(), stop);
    }
    DeepOrbit orbit(view, ToPlane(view, x, y));
    return Follow(orbit, maxIterations, view.Side(), stop);
}

} // namespace fractal
