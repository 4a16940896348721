#include "preperiodic_point.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace fractal {

namespace {

constexpr int MaxNewtonSteps = 200;
// Newton's step must fall this many bits below the precision to count as
// settled; the orbit must then repeat to within this many bits more.
constexpr long SettledBits = 8;
constexpr long RepeatBits = 32;

struct Complex
{
    BigFloat re;
    BigFloat im;
};

Complex operator+(const Complex& a, const Complex& b)
{
    return {a.re + b.re, a.im + b.im};
}

Complex operator-(const Complex& a, const Complex& b)
{
    return {a.re - b.re, a.im - b.im};
}

Complex operator*(const Complex& a, const Complex& b)
{
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

Complex operator/(const Complex& a, const Complex& b)
{
    const BigFloat norm = b.re * b.re + b.im * b.im;
    return {(a.re * b.re + a.im * b.im) / norm, (a.im * b.re - a.re * b.im) / norm};
}

// |a| below 2^exponent, roughly (by the larger part).
bool Below(const Complex& a, long exponent)
{
    const auto small = [exponent](const BigFloat& x) { return x.IsZero() || x.Exponent() < exponent; };
    return small(a.re) && small(a.im);
}

// z(1) .. z(count) of c's orbit, and dz/dc along it.
std::pair<std::vector<Complex>, std::vector<Complex>> Orbit(const Complex& c, int count)
{
    const BigFloat::Bits bits = c.re.Precision();
    Complex z{BigFloat(bits), BigFloat(bits)};
    Complex derivative = z;
    const Complex one{BigFloat(1.0, bits), BigFloat(bits)};
    const Complex two{BigFloat(2.0, bits), BigFloat(bits)};
    std::vector<Complex> points{z};
    std::vector<Complex> derivatives{derivative};
    for (int n = 1; n <= count; ++n) {
        derivative = two * z * derivative + one;
        z = z * z + c;
        points.push_back(z);
        derivatives.push_back(derivative);
    }
    return {std::move(points), std::move(derivatives)};
}

} // namespace

std::optional<DeepPoint> FindPreperiodicPoint(PlanePoint guess, int preperiod, int period, BigFloat::Bits precision)
{
    const auto k = static_cast<std::size_t>(preperiod);
    const auto p = static_cast<std::size_t>(period);
    Complex c{BigFloat(guess.x, precision), BigFloat(guess.y, precision)};
    for (int step = 0; step < MaxNewtonSteps; ++step) {
        const auto [z, dz] = Orbit(c, preperiod + period);
        const Complex change = (z[k + p] - z[k]) / (dz[k + p] - dz[k]);
        c = c - change;
        if (!Below(change, -static_cast<long>(precision) + SettledBits))
            continue;
        // Settled: exactly this preperiod and period, or not the point asked
        // for. A point that repeats sooner lies far closer than half the
        // precision (Newton's method crawls toward such multiple roots).
        const auto [settled, unused] = Orbit(c, preperiod + period);
        const auto gap = [&settled](std::size_t from, std::size_t length, long exponent) {
            return Below(settled[from + length] - settled[from], exponent);
        };
        const long repeats = -static_cast<long>(precision) + RepeatBits;
        const long distinct = -static_cast<long>(precision) / 2;
        if (!gap(k, p, repeats) || (k > 0 && gap(k - 1, p, distinct)))
            return std::nullopt;
        for (std::size_t shorter = 1; shorter < p; ++shorter)
            if (p % shorter == 0 && gap(k, shorter, distinct))
                return std::nullopt;
        return DeepPoint{std::move(c.re), std::move(c.im)};
    }
    return std::nullopt;
}

} // namespace fractal
