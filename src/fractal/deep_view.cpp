#include "deep_view.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <utility>

namespace fractal {

namespace {

// 400 cells need 9 bits below the width's leading bit, one more covers the
// rounding of the step, and 12 guard bits keep every sample point within
// 1/4096 of a step of where exact arithmetic would put it. The precision
// follows the corners alone, so views keep it at every picture side: 1,200
// cells spend 2 of the guard bits, still within 1/1024 of a step.
constexpr long CellBits = 9;
constexpr long RoundingBits = 1;
constexpr long GuardBits = 12;
constexpr long PrecisionMargin = CellBits + RoundingBits + GuardBits;

// The exponent of |a - b| exactly: rounding toward zero never crosses a
// power of two, so the result's exponent does not depend on the precision.
long DifferenceExponent(const BigFloat& a, const BigFloat& b)
{
    mpfr_t difference;
    mpfr_init2(difference, MPFR_PREC_MIN);
    mpfr_sub(difference, a.Raw(), b.Raw(), MPFR_RNDZ);
    const long exponent = static_cast<long>(mpfr_get_exp(difference));
    mpfr_clear(difference);
    return exponent;
}

// The decimal digits of a number's mantissa that carry its value: leading
// zeros do not, unless the number is zero.
int SignificantDigits(std::string_view text)
{
    int digits = 0;
    int zeros = 0;
    for (const char c : text) {
        if (c == 'e' || c == 'E')
            break;
        if (!std::isdigit(static_cast<unsigned char>(c)))
            continue;
        if (digits == 0 && c == '0')
            ++zeros;
        else
            ++digits;
    }
    return digits == 0 ? zeros : digits;
}

// The largest precision whose numbers are written with this many digits:
// ToString of any number of that precision reads back exactly at it, and so
// does a number of any smaller precision written with as many digits.
BigFloat::Bits PrecisionForDigits(int digits)
{
    constexpr double BitsPerDigit = 3.3219280948873623;
    auto bits = static_cast<BigFloat::Bits>(std::ceil(digits * BitsPerDigit)) + 2;
    while (bits > BigFloat::DoubleBits && static_cast<long>(mpfr_get_str_ndigits(10, bits)) > digits)
        --bits;
    return std::max(bits, BigFloat::DoubleBits);
}

struct Corners
{
    BigFloat xMin;
    BigFloat xMax;
    BigFloat yMin;
    BigFloat yMax;
};

// Computes the corners at the view's own precision, which at 53 bits is the
// double computation bit for bit; where the result needs more bits than
// that (a zoom past what doubles resolve), again at as many as it needs.
template <typename ComputeCorners>
DeepView AtEnoughPrecision(BigFloat::Bits bits, ComputeCorners compute)
{
    for (;;) {
        Corners c = compute(bits);
        const BigFloat::Bits needed = RequiredPrecision(c.xMin, c.xMax, c.yMin, c.yMax);
        if (needed <= bits)
            return DeepView(std::move(c.xMin), std::move(c.xMax), std::move(c.yMin), std::move(c.yMax));
        bits = needed;
    }
}

} // namespace

BigFloat::Bits RequiredPrecision(const BigFloat& xMin, const BigFloat& xMax, const BigFloat& yMin,
                                 const BigFloat& yMax)
{
    const std::array<const BigFloat*, 4> corners{&xMin, &xMax, &yMin, &yMax};
    bool anyNonZero = false;
    long largest = 0;
    BigFloat::Bits held = BigFloat::DoubleBits;
    for (const BigFloat* corner : corners) {
        held = std::max(held, corner->SignificantBits());
        if (!corner->IsZero()) {
            largest = anyNonZero ? std::max(largest, corner->Exponent()) : corner->Exponent();
            anyNonZero = true;
        }
    }
    const bool wide = xMax != xMin;
    const bool high = yMax != yMin;
    if (!wide && !high)
        return held;
    const long narrowest = !wide ? DifferenceExponent(yMax, yMin)
                           : !high ? DifferenceExponent(xMax, xMin)
                                   : std::min(DifferenceExponent(xMax, xMin), DifferenceExponent(yMax, yMin));
    // A side of non-zero length has a non-zero corner, so largest is set.
    return std::max<BigFloat::Bits>(BigFloat::DoubleBits, largest - narrowest + PrecisionMargin);
}

DeepView::DeepView() : DeepView(DefaultView) {}

DeepView::DeepView(const View& view)
    : DeepView(BigFloat(view.xMin, BigFloat::DoubleBits), BigFloat(view.xMax, BigFloat::DoubleBits),
               BigFloat(view.yMin, BigFloat::DoubleBits), BigFloat(view.yMax, BigFloat::DoubleBits))
{
    side_ = view.side;
}

DeepView::DeepView(BigFloat xMin, BigFloat xMax, BigFloat yMin, BigFloat yMax)
    : xMin_(std::move(xMin)), xMax_(std::move(xMax)), yMin_(std::move(yMin)), yMax_(std::move(yMax))
{
    // Rounding to fewer bits can move the corners and so the precision they
    // need; each round only lowers it, so this settles.
    for (;;) {
        const BigFloat::Bits bits = RequiredPrecision(xMin_, xMax_, yMin_, yMax_);
        const bool exact = std::max({xMin_.SignificantBits(), xMax_.SignificantBits(), yMin_.SignificantBits(),
                                     yMax_.SignificantBits()}) <= bits;
        xMin_ = xMin_.Rounded(bits);
        xMax_ = xMax_.Rounded(bits);
        yMin_ = yMin_.Rounded(bits);
        yMax_ = yMax_.Rounded(bits);
        if (exact)
            return;
    }
}

BigFloat DeepView::XStep() const
{
    return (xMax_ - xMin_) / static_cast<double>(side_);
}

BigFloat DeepView::YStep() const
{
    return (yMax_ - yMin_) / static_cast<double>(side_);
}

std::optional<View> DeepView::AsView() const
{
    if (Precision() != BigFloat::DoubleBits)
        return std::nullopt;
    const View view{xMin_.ToDouble(), xMax_.ToDouble(), yMin_.ToDouble(), yMax_.ToDouble(), side_};
    // Corners far beyond the set can overflow a double, or their distance
    // can: such a view is drawn as a deep one, whose offsets have the range.
    if (!std::isfinite(view.XStep()) || !std::isfinite(view.YStep()))
        return std::nullopt;
    return view;
}

DeepViewText DeepView::ToText() const
{
    return {xMin_.ToString(), xMax_.ToString(), yMin_.ToString(), yMax_.ToString()};
}

std::optional<DeepView> DeepView::FromText(const DeepViewText& text)
{
    const std::array<const std::string*, 4> fields{&text.xMin, &text.xMax, &text.yMin, &text.yMax};
    BigFloat::Bits bits = BigFloat::DoubleBits;
    for (const std::string* field : fields)
        bits = std::max(bits, PrecisionForDigits(SignificantDigits(*field)));
    const auto read = [&fields](BigFloat::Bits precision) -> std::optional<DeepView> {
        std::array<std::optional<BigFloat>, 4> corners;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            corners[i] = BigFloat::Parse(*fields[i], precision);
            if (!corners[i])
                return std::nullopt;
        }
        return DeepView(std::move(*corners[0]), std::move(*corners[1]), std::move(*corners[2]),
                        std::move(*corners[3]));
    };
    std::optional<DeepView> view = read(bits);
    // Digits beyond what the width needs: read again at the view's own
    // precision, so every corner is rounded once.
    if (view && view->Precision() < bits)
        view = read(view->Precision());
    return view;
}

DeepPoint ToPlane(const DeepView& view, float x, float y)
{
    return {static_cast<double>(x) * view.XStep() + view.XMin(), static_cast<double>(y) * view.YStep() + view.YMin()};
}

DeepView Magnify(const DeepPoint& first, const DeepPoint& second, int side)
{
    const BigFloat::Bits bits =
        std::max({first.x.Precision(), first.y.Precision(), second.x.Precision(), second.y.Precision()});
    BigFloat xMin = Min(first.x, second.x).Rounded(bits);
    BigFloat xMax = Max(first.x, second.x).Rounded(bits);
    BigFloat yMin = Min(first.y, second.y).Rounded(bits);
    BigFloat yMax = Max(first.y, second.y).Rounded(bits);
    const BigFloat w = xMax - xMin;
    const BigFloat h = yMax - yMin;
    if (h < w) {
        if (first.y <= second.y)
            yMax = yMin + w;
        else
            yMin = yMax - w;
    } else if (h > w) {
        if (first.x <= second.x)
            xMax = xMin + h;
        else
            xMin = xMax - h;
    }
    return DeepView(std::move(xMin), std::move(xMax), std::move(yMin), std::move(yMax)).WithSide(side);
}

DeepView ZoomAbout(const DeepView& view, float x, float y, double factor)
{
    const double side = view.Side();
    return AtEnoughPrecision(view.Precision(), [&](BigFloat::Bits bits) {
        const auto zoomed = [&](const BigFloat& low, const BigFloat& high, float position) {
            const BigFloat min = low.Rounded(bits);
            const BigFloat width = high.Rounded(bits) - min;
            const BigFloat under = static_cast<double>(position) * (width / side) + min;
            const BigFloat newWidth = width / factor;
            const BigFloat newMin = under - static_cast<double>(position) * (newWidth / side);
            return std::pair(newMin, newMin + newWidth);
        };
        auto [xMin, xMax] = zoomed(view.XMin(), view.XMax(), x);
        auto [yMin, yMax] = zoomed(view.YMin(), view.YMax(), y);
        return Corners{std::move(xMin), std::move(xMax), std::move(yMin), std::move(yMax)};
    }).WithSide(view.Side());
}

DeepView Pan(const DeepView& view, float dx, float dy)
{
    const double side = view.Side();
    return AtEnoughPrecision(view.Precision(), [&](BigFloat::Bits bits) {
        const auto moved = [&](const BigFloat& low, const BigFloat& high, float cells) {
            const BigFloat min = low.Rounded(bits);
            const BigFloat max = high.Rounded(bits);
            const BigFloat shift = static_cast<double>(cells) * ((max - min) / side);
            return std::pair(min + shift, max + shift);
        };
        auto [xMin, xMax] = moved(view.XMin(), view.XMax(), dx);
        auto [yMin, yMax] = moved(view.YMin(), view.YMax(), dy);
        return Corners{std::move(xMin), std::move(xMax), std::move(yMin), std::move(yMax)};
    }).WithSide(view.Side());
}

} // namespace fractal
