#pragma once

// Numbers with a double's mantissa and an exponent of their own, for the
// offsets and linear coefficients of deep views: a pixel 1e-1000 from the
// centre, or a coefficient that grows it a million-fold a thousand times
// over, is far outside the range of a double.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>

namespace fractal {

// 2^exponent as a double, for exponents a double holds as a normal number.
inline double TwoToThe(int exponent)
{
    return std::bit_cast<double>(static_cast<std::uint64_t>(exponent + 1023) << 52);
}

// The exponent of a normal, non-zero double: 1.5 gives 0, 0.75 gives -1.
inline int ExponentOf(double value)
{
    return static_cast<int>((std::bit_cast<std::uint64_t>(value) >> 52) & 0x7FF) - 1023;
}

// mantissa * 2^exponent with 0.5 <= |mantissa| < 1, or a zero mantissa with
// ZeroExponent.
struct WideFloat
{
    static constexpr long ZeroExponent = -(1L << 60);

    double mantissa = 0.0;
    long exponent = ZeroExponent;
};

// Terms smaller than this power of two against the other term of a sum lie
// far below a double's rounding of it, and as subnormals would be slow.
inline constexpr long NegligibleExponent = -1000;

inline WideFloat Normalized(double mantissa, long exponent)
{
    if (mantissa == 0.0)
        return {};
    int shift = 0;
    const double normal = std::frexp(mantissa, &shift);
    return {normal, exponent + shift};
}

inline WideFloat Wide(double value)
{
    return Normalized(value, 0);
}

inline WideFloat operator*(WideFloat a, WideFloat b)
{
    if (a.mantissa == 0.0 || b.mantissa == 0.0)
        return {};
    return Normalized(a.mantissa * b.mantissa, a.exponent + b.exponent);
}

inline WideFloat operator+(WideFloat a, WideFloat b)
{
    if (a.mantissa == 0.0)
        return b;
    if (b.mantissa == 0.0)
        return a;
    if (a.exponent < b.exponent)
        std::swap(a, b);
    const long shift = b.exponent - a.exponent;
    if (shift < NegligibleExponent)
        return a;
    return Normalized(a.mantissa + std::ldexp(b.mantissa, static_cast<int>(shift)), a.exponent);
}

inline WideFloat operator-(WideFloat a)
{
    return {-a.mantissa, a.exponent};
}

// For non-negative values only.
inline bool operator<(WideFloat a, WideFloat b)
{
    if (a.mantissa == 0.0 || b.mantissa == 0.0)
        return b.mantissa > 0.0;
    if (a.exponent != b.exponent)
        return a.exponent < b.exponent;
    return a.mantissa < b.mantissa;
}

// value / 2^scale as a double, 0 when negligible.
inline double Unscaled(WideFloat value, long scale)
{
    const long shift = value.exponent - scale;
    return shift < NegligibleExponent ? 0.0 : std::ldexp(value.mantissa, static_cast<int>(std::min(shift, 2000L)));
}

// A complex number (x + iy) * 2^exponent sharing one exponent, kept with
// max(|x|, |y|) in [1, 2) (or both zero), so a product or sum needs one
// rescaling rather than one per part.
struct WideComplex
{
    // Low enough that any sum with it is negligible, high enough that a sum
    // of two stays an int.
    static constexpr int ZeroExponent = -(1 << 28);

    double x = 0.0;
    double y = 0.0;
    int exponent = ZeroExponent;

    static WideComplex Of(double x, double y, long exponent = 0)
    {
        const double larger = std::max(std::abs(x), std::abs(y));
        if (larger == 0.0 || !std::isfinite(larger))
            return {};
        int shift = 0;
        std::frexp(larger, &shift);
        // frexp puts the larger part in [0.5, 1); one less puts it in [1, 2).
        return {std::ldexp(x, 1 - shift), std::ldexp(y, 1 - shift), static_cast<int>(exponent + shift - 1)};
    }

    bool IsZero() const { return exponent == ZeroExponent; }
};

// Rescaled after a product or sum of normalised parts, whose larger part
// then lies within a few powers of two of [1, 2): no frexp needed.
inline WideComplex Renormalized(double x, double y, int exponent)
{
    const double larger = std::max(std::abs(x), std::abs(y));
    if (larger == 0.0)
        return {};
    const int shift = ExponentOf(larger);
    // Only a sum that cancels nearly to nothing leaves a subnormal; it is
    // as good as zero.
    if (shift == -1023)
        return {};
    const double factor = TwoToThe(-shift);
    return {x * factor, y * factor, exponent + shift};
}

// A zero factor needs no test: its parts make the product's zero.
inline WideComplex operator*(const WideComplex& a, const WideComplex& b)
{
    return Renormalized(a.x * b.x - a.y * b.y, a.x * b.y + a.y * b.x, a.exponent + b.exponent);
}

// A zero term needs no test: its exponent puts it past 60 places below.
inline WideComplex operator+(WideComplex a, WideComplex b)
{
    if (a.exponent < b.exponent)
        std::swap(a, b);
    const int shift = b.exponent - a.exponent;
    // Past 60 binary places the smaller one cannot change the sum.
    if (shift < -60)
        return a;
    const double factor = TwoToThe(shift);
    return Renormalized(a.x + b.x * factor, a.y + b.y * factor, a.exponent);
}

// a z + c rescaled once: the step of a linear map, whose chain from one
// step to the next runs through z alone.
inline WideComplex MultiplyAdd(const WideComplex& a, const WideComplex& z, const WideComplex& c)
{
    const double px = a.x * z.x - a.y * z.y;
    const double py = a.x * z.y + a.y * z.x;
    const int exponent = a.exponent + z.exponent;
    const int shift = c.exponent - exponent;
    if (shift <= 0) {
        if (shift < -60)
            return Renormalized(px, py, exponent);
        const double factor = TwoToThe(shift);
        return Renormalized(px + c.x * factor, py + c.y * factor, exponent);
    }
    if (shift > 60)
        return c;
    const double factor = TwoToThe(-shift);
    return Renormalized(px * factor + c.x, py * factor + c.y, c.exponent);
}

// |z|^2 as a wide number.
inline WideFloat NormOf(const WideComplex& z)
{
    if (z.IsZero())
        return {};
    return Normalized(z.x * z.x + z.y * z.y, 2L * z.exponent);
}

// z as plain doubles times 2^-scale, 0 where negligible.
inline std::pair<double, double> ScaledDown(const WideComplex& z, long scale)
{
    if (z.IsZero())
        return {0.0, 0.0};
    const long shift = z.exponent - scale;
    if (shift < NegligibleExponent)
        return {0.0, 0.0};
    const int clamped = static_cast<int>(std::min(shift, 2000L));
    return {std::ldexp(z.x, clamped), std::ldexp(z.y, clamped)};
}

} // namespace fractal
