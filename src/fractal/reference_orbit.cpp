#include "perturbation.h"

#include <mpfr.h>

namespace fractal {

namespace {

// Bits beyond the view's own for the reference orbit, so its rounding stays
// far below a pixel.
constexpr BigFloat::Bits OrbitGuardBits = 32;
// A reference orbit back within 2^-(precision + this) of an earlier point
// is taken to repeat from there.
constexpr long OrbitCycleMarginBits = 16;
constexpr double EscapeNorm = 4.0;
// How often a long computation looks at its stop token.
constexpr int StopCheckInterval = 1024;

// |a - b| < 2^exponent, with scratch for the difference.
bool Within(const BigFloat& a, const BigFloat& b, BigFloat& scratch, long exponent)
{
    mpfr_sub(scratch.Raw(), a.Raw(), b.Raw(), MPFR_RNDN);
    return mpfr_zero_p(scratch.Raw()) != 0 || mpfr_get_exp(scratch.Raw()) < exponent;
}


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


} // namespace fractal
