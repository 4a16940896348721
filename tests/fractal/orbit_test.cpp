#include "orbit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using fractal::BigFloat;
using fractal::DeepView;
using fractal::OrbitAt;
using fractal::View;

// A cell an exact 1/128 wide, so every point below is sampled exactly: c = -2 + x/128 + (-2 + y/128) i.
constexpr View Exact{-2.0, -2.0 + 400.0 / 128, -2.0, -2.0 + 400.0 / 128, 400};
constexpr float Cell(double part) { return static_cast<float>((part + 2.0) * 128); }

// Each orbit worked out by hand from z0 = 0: c = 1 goes 1, 2, 5, and 5 is the
// first point past radius 2 after two iterations that stayed; c = -2 reaches
// 2 and stays there, exactly on the circle; c = i repeats -1 + i, -i.
TEST(Orbit, EscapeCountsAndPeriodsOfPointsWorkedOutByHand)
{
    struct Point
    {
        double x, y;
        int escapeCount;
        long period;
    };
    const Point points[] = {
        {1.0, 0.0, 2, 0},      {0.5, 0.0, 4, 0},     {-2.0, 0.0, fractal::NotEscaped, 1},
        {0.0, 1.0, fractal::NotEscaped, 2}, {-1.0, 0.0, fractal::NotEscaped, 2},
        // Inside the main cardioid, and inside the bulb of period 4 left of -1.25.
        {-0.125, 0.125, fractal::NotEscaped, 1}, {-1.3125, 0.0, fractal::NotEscaped, 4},
    };
    for (const Point& p : points) {
        const fractal::PointOrbit orbit = OrbitAt(Exact, Cell(p.x), Cell(p.y), 100);
        const std::string where = "c = " + std::to_string(p.x) + " + " + std::to_string(p.y) + "i";
        EXPECT_TRUE(orbit.complete) << where;
        EXPECT_EQ(orbit.escapeCount, p.escapeCount) << where;
        EXPECT_EQ(orbit.period, p.period) << where;
    }
}

// The orbit of 1 in the view's cells: 0 and 1 on the picture, 2 beyond its
// right edge, so the line to it ends at the edge.
TEST(Orbit, IsDrawnInTheViewsCellsCutToThePicture)
{
    const fractal::PointOrbit orbit = OrbitAt(Exact, Cell(1.0), Cell(0.0), 100);
    ASSERT_EQ(orbit.points.size(), 2u);
    EXPECT_EQ(orbit.points[0].x, 256.0);
    EXPECT_EQ(orbit.points[1].x, 384.0);
    ASSERT_GE(orbit.segments.size(), 2u);
    EXPECT_EQ(orbit.segments[1].from.x, 384.0);
    EXPECT_EQ(orbit.segments[1].to.x, 400.0) << "cut at the picture's right edge";
    EXPECT_EQ(orbit.segments[1].to.y, 256.0);
}

// A view 1e-30 wide round a point: iterated at the view's precision, its
// centre's orbit goes as the same point's in doubles, and only z1, the
// point itself, falls inside such a view.
TEST(Orbit, AtDeepViewsFollowsThePointAtTheViewsPrecision)
{
    for (const auto& [centre, count, period] : {std::tuple{"0.5", 4, 0L}, {"-0.125", fractal::NotEscaped, 1L}}) {
        const BigFloat x = *BigFloat::Parse(centre, 200);
        const BigFloat y = *BigFloat::Parse("0.125", 200);
        const BigFloat half = *BigFloat::Parse("0.5e-30", 200);
        const DeepView view(x - half, x + half, y - half, y + half);
        ASSERT_FALSE(view.AsView().has_value()) << "a deep view";
        const fractal::PointOrbit orbit = OrbitAt(view, 200, 200, 1000);
        EXPECT_EQ(orbit.escapeCount, count) << centre;
        EXPECT_EQ(orbit.period, period) << centre;
        ASSERT_EQ(orbit.points.size(), 1u) << centre;
        EXPECT_NEAR(orbit.points[0].x, 200.0, 1e-6) << centre;
    }
}

} // namespace
