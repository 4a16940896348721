#include "wide_float.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using fractal::WideComplex;
using fractal::WideFloat;

// Numbers far below the smallest double keep their value: 3 * 2^-3000
// squared is 9 * 2^-6000, and a sum of such numbers is exact.
TEST(WideFloat, ArithmeticFarBelowTheRangeOfDoublesIsExactAndNormalised)
{
    const WideFloat tiny = fractal::Normalized(3.0, -3000);
    EXPECT_EQ(tiny.mantissa, 0.75);
    EXPECT_EQ(tiny.exponent, -2998);
    const WideFloat square = tiny * tiny;
    EXPECT_EQ(square.mantissa, 9.0 / 16.0);
    EXPECT_EQ(square.exponent, -5996);
    const WideFloat sum = tiny + fractal::Normalized(1.0, -3000);
    EXPECT_EQ(sum.mantissa, 0.5);
    EXPECT_EQ(sum.exponent, -2997);
    // A term 2^-1100 times smaller cannot change a double: dropped, not
    // turned into a slow subnormal.
    EXPECT_EQ((tiny + fractal::Normalized(1.0, -4100)).mantissa, tiny.mantissa);
    // Cancelling to zero gives the zero with its own exponent.
    const WideFloat zero = tiny + -tiny;
    EXPECT_EQ(zero.mantissa, 0.0);
    EXPECT_EQ(zero.exponent, WideFloat::ZeroExponent);
}

TEST(WideFloat, ComparisonGoesByExponentThenMantissaWithZeroBelowEverything)
{
    const WideFloat small = fractal::Normalized(0.9, -5000);
    const WideFloat large = fractal::Normalized(0.6, -4999);
    EXPECT_TRUE(small < large);
    EXPECT_FALSE(large < small);
    EXPECT_TRUE(fractal::Normalized(0.6, -5000) < small);
    EXPECT_TRUE(WideFloat{} < small);
    EXPECT_FALSE(small < WideFloat{});
    EXPECT_FALSE(WideFloat{} < WideFloat{});
    EXPECT_EQ(fractal::Unscaled(large, -5000), 1.2);
}

// Complex parts share one exponent; the larger part stays in [1, 2) through
// products that carry, sums that cancel, and ranges a double cannot hold.
TEST(WideComplex, ProductsAndSumsKeepTheLargerPartInOneToTwo)
{
    const WideComplex a = WideComplex::Of(3.0, -1.0, -2000);
    EXPECT_EQ(a.x, 1.5);
    EXPECT_EQ(a.y, -0.5);
    EXPECT_EQ(a.exponent, -1999);
    // (3 - i)(3 - i) = 8 - 6i at 2^-4000.
    const WideComplex square = a * a;
    EXPECT_EQ(square.x, 1.0);
    EXPECT_EQ(square.y, -0.75);
    EXPECT_EQ(square.exponent, -3997);
    // 8 - 6i plus -8 + 6.5i leaves 0.5i: all the real part cancels.
    const WideComplex sum = square + WideComplex::Of(-8.0, 6.5, -4000);
    EXPECT_EQ(sum.x, 0.0);
    EXPECT_EQ(sum.y, 1.0);
    EXPECT_EQ(sum.exponent, -4001);
    EXPECT_TRUE((a + WideComplex::Of(-3.0, 1.0, -2000)).IsZero());
    const auto [x, y] = fractal::ScaledDown(square, -4000);
    EXPECT_EQ(x, 8.0);
    EXPECT_EQ(y, -6.0);
    EXPECT_EQ(fractal::NormOf(square).exponent, -7993);
    // a a + c in one rescaling: 8 - 6i + 2^-3 (8 - 6i) at 2^-4000, and a
    // term 61 places below the product changes nothing.
    const WideComplex c = WideComplex::Of(1.0, -0.75, -4000);
    const WideComplex fused = fractal::MultiplyAdd(a, a, c);
    EXPECT_EQ(fused.x, 1.125);
    EXPECT_EQ(fused.y, -0.84375);
    EXPECT_EQ(fused.exponent, -3997);
    EXPECT_EQ(fractal::MultiplyAdd(a, a, WideComplex::Of(1.0, 1.0, -4058)).x, 1.0);
}

} // namespace
