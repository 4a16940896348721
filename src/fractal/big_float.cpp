#include "big_float.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

namespace fractal {

namespace {

BigFloat::Bits Wider(const BigFloat& a, const BigFloat& b)
{
    return std::max(a.Precision(), b.Precision());
}

// An optional sign, digits with an optional point among them, and an
// optional exponent: MPFR alone would also take "@" as an exponent marker,
// "inf", "nan" and leading white space. The point may be a comma, as
// written by versions that let the locale choose it.
bool IsPlainDecimal(std::string_view text)
{
    std::size_t at = 0;
    const auto sign = [&] {
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
    };
    const auto digits = [&] {
        const std::size_t from = at;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
            ++at;
        return at - from;
    };
    sign();
    std::size_t mantissa = digits();
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        sign();
        if (digits() == 0)
            return false;
    }
    return at == text.size();
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
    if (!IsPlainDecimal(text))
        return std::nullopt;
    std::string terminated(text);
    // MPFR takes a period whatever the locale.
    std::replace(terminated.begin(), terminated.end(), ',', '.');
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

// Written as printf's %e writes it in the C locale ("-7.5000000000000000e-01"),
// but always with a point: MPFR's own printf takes the locale's decimal
// comma, which a place must not carry to a reader elsewhere.
std::string BigFloat::ToString() const
{
    mpfr_exp_t exponent = 0;
    char* text = mpfr_get_str(nullptr, &exponent, 10, mpfr_get_str_ndigits(10, Precision()), value_, MPFR_RNDN);
    if (text == nullptr)
        return {};
    const std::unique_ptr<char, decltype(&mpfr_free_str)> owned(text, &mpfr_free_str);
    std::string_view digits(text);
    std::string written;
    if (digits.starts_with('-')) {
        written += '-';
        digits.remove_prefix(1);
    }
    // MPFR gives 0.d1d2... x 10^exponent; %e writes d1.d2... x 10^(exponent - 1).
    const long power = IsZero() ? 0 : static_cast<long>(exponent) - 1;
    const std::string magnitude = std::to_string(power < 0 ? -power : power);
    written += digits.front();
    written += '.';
    written += digits.substr(1);
    written += power < 0 ? "e-" : "e+";
    return written + (magnitude.size() < 2 ? "0" : "") + magnitude;
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
