#include "big_float.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace fractal {

namespace {

BigFloat::Bits Wider(const BigFloat& a, const BigFloat& b)
{
    return std::max(a.Precision(), b.Precision());
}

} // namespace

BigFloat::BigFloat(Bits precision)
{
    mpfr_init2(value_, precision);
    mpfr_set_zero(value_, 1);
}

BigFloat::BigFloat(double value, Bits precision)
{
    mpfr_init2(value_, precision);
    mpfr_set_d(value_, value, MPFR_RNDN);
}

BigFloat::BigFloat(const BigFloat& other)
{
    mpfr_init2(value_, other.Precision());
    mpfr_set(value_, other.value_, MPFR_RNDN);
}

// The moved-from number keeps a valid one-bit zero, so it can still be
// destroyed or assigned.
BigFloat::BigFloat(BigFloat&& other) noexcept
{
    mpfr_init2(value_, MPFR_PREC_MIN);
    mpfr_set_zero(value_, 1);
    mpfr_swap(value_, other.value_);
}

BigFloat& BigFloat::operator=(const BigFloat& other)
{
    if (this != &other) {
        mpfr_set_prec(value_, other.Precision());
        mpfr_set(value_, other.value_, MPFR_RNDN);
    }
    return *this;
}

BigFloat& BigFloat::operator=(BigFloat&& other) noexcept
{
    mpfr_swap(value_, other.value_);
    return *this;
}

BigFloat::~BigFloat()
{
    mpfr_clear(value_);
}

std::optional<BigFloat> BigFloat::Parse(std::string_view text, Bits precision)
{
    const std::string terminated(text);
    // MPFR would skip leading white space; a coordinate is the number alone.
    if (terminated.empty() || std::isspace(static_cast<unsigned char>(terminated.front())))
        return std::nullopt;
    BigFloat number(precision);
    char* end = nullptr;
    mpfr_strtofr(number.value_, terminated.c_str(), &end, 10, MPFR_RNDN);
    if (end != terminated.c_str() + terminated.size() || !mpfr_number_p(number.value_))
        return std::nullopt;
    return number;
}

BigFloat BigFloat::Rounded(Bits precision) const
{
    BigFloat result(precision);
    mpfr_set(result.value_, value_, MPFR_RNDN);
    return result;
}

std::string BigFloat::ToString() const
{
    const auto digits = static_cast<int>(mpfr_get_str_ndigits(10, Precision()));
    char* text = nullptr;
    if (mpfr_asprintf(&text, "%.*Re", digits - 1, value_) < 0)
        return {};
    const std::unique_ptr<char, decltype(&mpfr_free_str)> owned(text, &mpfr_free_str);
    return std::string(text);
}

std::string BigFloat::ToFixed(int decimals) const
{
    char* text = nullptr;
    if (mpfr_asprintf(&text, "%.*Rf", decimals, value_) < 0)
        return {};
    const std::unique_ptr<char, decltype(&mpfr_free_str)> owned(text, &mpfr_free_str);
    return std::string(text);
}

BigFloat BigFloat::Abs() const
{
    BigFloat result(Precision());
    mpfr_abs(result.value_, value_, MPFR_RNDN);
    return result;
}

BigFloat BigFloat::operator-() const
{
    BigFloat result(Precision());
    mpfr_neg(result.value_, value_, MPFR_RNDN);
    return result;
}

BigFloat operator+(const BigFloat& a, const BigFloat& b)
{
    BigFloat result(Wider(a, b));
    mpfr_add(result.value_, a.value_, b.value_, MPFR_RNDN);
    return result;
}

BigFloat operator-(const BigFloat& a, const BigFloat& b)
{
    BigFloat result(Wider(a, b));
    mpfr_sub(result.value_, a.value_, b.value_, MPFR_RNDN);
    return result;
}

BigFloat operator*(const BigFloat& a, const BigFloat& b)
{
    BigFloat result(Wider(a, b));
    mpfr_mul(result.value_, a.value_, b.value_, MPFR_RNDN);
    return result;
}

BigFloat operator/(const BigFloat& a, const BigFloat& b)
{
    BigFloat result(Wider(a, b));
    mpfr_div(result.value_, a.value_, b.value_, MPFR_RNDN);
    return result;
}

BigFloat operator*(double a, const BigFloat& b)
{
    BigFloat result(std::max(b.Precision(), BigFloat::DoubleBits));
    mpfr_mul_d(result.value_, b.value_, a, MPFR_RNDN);
    return result;
}

BigFloat operator/(const BigFloat& a, double b)
{
    BigFloat result(std::max(a.Precision(), BigFloat::DoubleBits));
    mpfr_div_d(result.value_, a.value_, b, MPFR_RNDN);
    return result;
}

std::partial_ordering operator<=>(const BigFloat& a, const BigFloat& b)
{
    if (mpfr_unordered_p(a.value_, b.value_))
        return std::partial_ordering::unordered;
    const int sign = mpfr_cmp(a.value_, b.value_);
    return sign < 0 ? std::partial_ordering::less
                    : sign > 0 ? std::partial_ordering::greater : std::partial_ordering::equivalent;
}

const BigFloat& Min(const BigFloat& a, const BigFloat& b)
{
    return b < a ? b : a;
}

const BigFloat& Max(const BigFloat& a, const BigFloat& b)
{
    return a < b ? b : a;
}

} // namespace fractal
