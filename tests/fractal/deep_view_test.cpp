#include "deep_view.h"
#include "printing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <utility>

namespace {

using fractal::BigFloat;
using fractal::DeepView;
using fractal::PlanePoint;
using fractal::View;

TEST(BigFloat, AtFiftyThreeBitsEveryOperationRoundsAsADouble)
{
    const std::pair<double, double> operands[] = {
        {0.1, 0.2}, {1.0 / 3.0, 3.0}, {-2.0, 0.7}, {1e300, 1e-300}, {0x1p-1000, 0x1.fffffffffffffp+0}, {2.7, 400.0}};
    for (const auto& [a, b] : operands) {
        const BigFloat x(a, BigFloat::DoubleBits);
        const BigFloat y(b, BigFloat::DoubleBits);
        EXPECT_EQ((x + y).ToDouble(), a + b) << a << " + " << b;
        EXPECT_EQ((x - y).ToDouble(), a - b) << a << " - " << b;
        EXPECT_EQ((x * y).ToDouble(), a * b) << a << " * " << b;
        EXPECT_EQ((x / y).ToDouble(), a / b) << a << " / " << b;
        EXPECT_EQ((static_cast<double>(static_cast<float>(b)) * x).ToDouble(), static_cast<float>(b) * a);
    }
}

TEST(BigFloat, CopiesKeepValueAndPrecisionAndAMovedFromNumberStaysUsable)
{
    const BigFloat third = BigFloat(1.0, 300) / BigFloat(3.0, 300);
    BigFloat copy(BigFloat::DoubleBits);
    copy = third;
    EXPECT_EQ(copy.Precision(), 300);
    EXPECT_EQ(copy, third);
    BigFloat moved(std::move(copy));
    EXPECT_EQ(moved, third);
    copy = BigFloat(2.0, 64);
    EXPECT_EQ(copy.ToDouble(), 2.0) << "a moved-from number takes a new value";
    EXPECT_LT((BigFloat(1.0, 300) - BigFloat(3.0, 300) * moved).Abs(), BigFloat(0x1p-290, 300)) << "1/3 at 300 bits";
}

TEST(BigFloat, DecimalTextReadsBackExactlyAndAnythingElseIsRefused)
{
    for (const double value : {-0.75, 0.1, 1e-300, -0.0, 123456789.0, 0x1p-1060}) {
        char printed[64];  // as printf writes it in the C locale, whatever the program's locale
        std::snprintf(printed, sizeof printed, "%.16e", value);
        EXPECT_EQ(BigFloat(value, BigFloat::DoubleBits).ToString(), printed);
    }
    for (const BigFloat::Bits bits : {53L, 200L, 4000L}) {
        const BigFloat third = BigFloat(1.0, bits) / BigFloat(-3.0, bits) * BigFloat(0x1p-900, bits);
        const std::optional<BigFloat> back = BigFloat::Parse(third.ToString(), bits);
        ASSERT_TRUE(back) << third.ToString();
        EXPECT_EQ(*back, third) << bits << " bits";
    }
    for (const char* text : {"", "abc", "1.5x", "nan", "inf", "-inf", " 1", "1 ", "0x10", "1e", "-2@0", "1@-3", "-@inf@",
                             ".", "-", "1e+", "1.2.3", "--1", "e5"})
        EXPECT_FALSE(BigFloat::Parse(text, 64)) << '"' << text << '"';
    for (const auto& [text, value] : {std::pair{"+0.5", 0.5}, {".5", 0.5}, {"5.", 5.0}, {"1E-5", 1e-5}, {"-0,75", -0.75}})
        EXPECT_EQ(BigFloat::Parse(text, 53)->ToDouble(), value) << text << ": plain decimal text (a comma from older places)";
}

TEST(DeepView, DoublesSufficeDownToTheDocumentedWidth)
{
    // Coordinates in [1, 2): 53 bits while the width is at least 2^-31.
    const struct
    {
        double width;
        bool fitsDouble;
    } cases[] = {{2.7, true}, {0x1p-31, true}, {0x1.fffp-32, false}, {1e-15, false}};
    for (const auto& c : cases) {
        const DeepView view(View{1.0, 1.0 + c.width, 1.0, 1.0 + c.width});
        EXPECT_EQ(view.AsView().has_value(), c.fitsDouble) << "width " << c.width;
        if (!c.fitsDouble) {
            EXPECT_EQ(view.XMax().ToDouble(), 1.0 + c.width) << "corners extend exactly";
        }
    }
}

TEST(DeepView, MagnifyingWithinDoublesGivesTheDoubleViewsBitForBit)
{
    struct Drag
    {
        float x1, y1, x2, y2;
    };
    const Drag sequences[][3] = {
        {{100.5f, 80.25f, 180.75f, 120.0f}, {150.0f, 160.0f, 170.0f, 230.5f}, {10.0f, 10.0f, 390.0f, 300.0f}},
        {{300.0f, 250.0f, 210.5f, 201.25f}, {200.0f, 100.0f, 240.0f, 30.0f}, {333.3f, 12.5f, 301.0f, 60.0f}},
        {{199.0f, 199.0f, 201.0f, 201.5f}, {50.0f, 350.0f, 51.5f, 300.0f}, {7.0f, 7.0f, 7.0f, 7.0f}},
    };
    for (const auto& sequence : sequences) {
        View expected = fractal::DefaultView;
        DeepView view;
        int steps = 0;
        for (int round = 0; round < 8 && view.AsView(); ++round) {
            for (const Drag& d : sequence) {
                const fractal::DeepPoint first = fractal::ToPlane(view, d.x1, d.y1);
                const fractal::DeepPoint second = fractal::ToPlane(view, d.x2, d.y2);
                const View next = fractal::Magnify(fractal::ToPlane(expected, d.x1, d.y1), fractal::ToPlane(expected, d.x2, d.y2));
                view = fractal::Magnify(first, second);
                if (!view.AsView())
                    break;
                ASSERT_EQ(*view.AsView(), next) << "step " << steps;
                expected = next;
                ++steps;
                const DeepView back = *DeepView::FromText(view.ToText());
                ASSERT_EQ(back, view) << "written as " << view.ToText().xMin;
            }
        }
        EXPECT_GE(steps, 6) << "magnifications checked while doubles sufficed";
    }
}

// A wheel notch keeps the plane point under the pointer there, and a pan
// brings the point of the cell it names under the pointer, to a 4096th of a
// cell: at the whole set in doubles and 1e-40 wide in high precision.
TEST(DeepView, ZoomAndPanKeepThePlanePointUnderThePointer)
{
    const BigFloat corner(-0.743643887037158, 200);
    const BigFloat width(1e-40, 200);
    const DeepView views[] = {DeepView(), DeepView(corner, corner + width, BigFloat(0.1318, 200), BigFloat(0.1318, 200) + width)};
    const auto expectSamePoint = [](const fractal::DeepPoint& a, const fractal::DeepPoint& b, const DeepView& view) {
        EXPECT_LE((a.x - b.x).Abs(), view.XStep() / 4096.0) << a.x.ToString() << " against " << b.x.ToString();
        EXPECT_LE((a.y - b.y).Abs(), view.YStep() / 4096.0) << a.y.ToString() << " against " << b.y.ToString();
    };
    for (const DeepView& view : views) {
        for (const auto& [x, y] : {std::pair{123.0f, 301.0f}, {0.0f, 399.0f}, {200.0f, 200.0f}}) {
            for (const double factor : {2.0, 0.5}) {
                const DeepView zoomed = fractal::ZoomAbout(view, x, y, factor);
                expectSamePoint(fractal::ToPlane(zoomed, x, y), fractal::ToPlane(view, x, y), zoomed);
                EXPECT_DOUBLE_EQ((view.XStep() / zoomed.XStep()).ToDouble(), factor);
                EXPECT_EQ(zoomed.AsView().has_value(), view.AsView().has_value()) << "doubles suffice as before";
            }
            const DeepView panned = fractal::Pan(view, 37.0f, -12.0f);
            expectSamePoint(fractal::ToPlane(panned, x, y), fractal::ToPlane(view, x + 37.0f, y - 12.0f), view);
        }
    }
}

TEST(DeepView, ADeepViewWrittenAndReadBackKeepsEveryBit)
{
    DeepView view;
    while (view.XStep().Abs().Exponent() > -1400)
        view = fractal::Magnify(fractal::ToPlane(view, 123.25f, 201.5f), fractal::ToPlane(view, 140.5f, 210.0f));
    const std::optional<DeepView> back = DeepView::FromText(view.ToText());
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, view);
    EXPECT_EQ(back->Precision(), view.Precision());
    EXPECT_GT(view.Precision(), 1400) << "a view 2^-1400 wide needs more than 1400 bits";
    EXPECT_EQ(DeepView::FromText({"-2", "0.7", "-1.4", "1.3"}), DeepView()) << "short decimals read as doubles";
    fractal::DeepViewText broken = view.ToText();
    broken.yMax = "1.0e-3x";
    EXPECT_FALSE(DeepView::FromText(broken));
}

} // namespace
