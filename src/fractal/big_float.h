#pragma once

#include <mpfr.h>

#include <cmath>

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace fractal {

// A binary floating-point number of any precision (bits of mantissa),
// rounded to nearest after every operation. An operation's result has the
// larger of its operands' precisions, so at 53 bits every +, -, * and /
// gives exactly what a double gives (no subnormals arise at MPFR's exponent
// range). A plain double operand counts as 53 bits.
class BigFloat
{
public:
    using Bits = mpfr_prec_t;
    static constexpr Bits DoubleBits = 53;

    explicit BigFloat(Bits precision = DoubleBits);
    BigFloat(double value, Bits precision);
    BigFloat(const BigFloat& other);
    BigFloat(BigFloat&& other) noexcept;
    BigFloat& operator=(const BigFloat& other);
    BigFloat& operator=(BigFloat&& other) noexcept;
    ~BigFloat();

    // Plain decimal text ("-1.25", "3e-400"): a sign, digits with a point,
    // an exponent, read at this precision; nullopt for anything else,
    // infinities and NaN included.
    static std::optional<BigFloat> Parse(std::string_view text, Bits precision);

    Bits Precision() const { return mpfr_get_prec(value_); }
    // The same value rounded to another precision.
    BigFloat Rounded(Bits precision) const;
    double ToDouble() const { return mpfr_get_d(value_, MPFR_RNDN); }
    // Decimal digits enough to read back the same value at this precision,
    // with a point whatever the locale.
    std::string ToString() const;
    // Rounded to so many digits after the decimal point, for people to read.
    std::string ToFixed(int decimals) const;

    bool IsZero() const { return mpfr_zero_p(value_) != 0; }
    // e with 2^(e-1) <= |value| < 2^e; meaningless for zero.
    long Exponent() const { return static_cast<long>(mpfr_get_exp(value_)); }
    // log10 of the magnitude, for numbers far beyond a double's range; the
    // value must not be zero.
    double Log10() const
    {
        long exponent = 0;
        const double mantissa = mpfr_get_d_2exp(&exponent, value_, MPFR_RNDN);
        return std::log10(std::abs(mantissa)) + static_cast<double>(exponent) * std::log10(2.0);
    }
    // The fewest bits that hold this value exactly.
    Bits SignificantBits() const { return mpfr_min_prec(value_); }
    BigFloat Abs() const;

    BigFloat operator-() const;
    friend BigFloat operator+(const BigFloat& a, const BigFloat& b);
    friend BigFloat operator-(const BigFloat& a, const BigFloat& b);
    friend BigFloat operator*(const BigFloat& a, const BigFloat& b);
    friend BigFloat operator/(const BigFloat& a, const BigFloat& b);
    friend BigFloat operator*(double a, const BigFloat& b);
    friend BigFloat operator/(const BigFloat& a, double b);

    friend std::partial_ordering operator<=>(const BigFloat& a, const BigFloat& b);
    friend bool operator==(const BigFloat& a, const BigFloat& b) { return mpfr_equal_p(a.value_, b.value_) != 0; }

    // For loops that call MPFR directly on numbers they own.
    mpfr_ptr Raw() { return value_; }
    mpfr_srcptr Raw() const { return value_; }

private:
    mpfr_t value_;
};

const BigFloat& Min(const BigFloat& a, const BigFloat& b);
const BigFloat& Max(const BigFloat& a, const BigFloat& b);

} // namespace fractal
