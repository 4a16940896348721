#include "printing.h"
#include "render.h"
#include "view.h"

#include <gtest/gtest.h>


namespace {

using fractal::PlanePoint;
using fractal::View;

TEST(ToPlane, PositionsMapLinearlyFromTheTopLeftCornerInDoublePrecision)
{
    struct Case
    {
        View view;
        float x, y;
        double planeX, planeY;
    };
    // Expected values worked out by hand: a step is 1 and 2 plane units in
    // the first view, 2.7 / 400 in the default one.
    const Case cases[] = {
        {{0.0, 400.0, 0.0, 800.0}, 100.5f, 50.25f, 100.5, 100.5},
        {fractal::DefaultView, 0.0f, 0.0f, -2.0, -1.4},
        {fractal::DefaultView, 100.5f, 50.25f, -1.321625, -1.0608125},
        {fractal::DefaultView, 400.0f, 400.0f, 0.7, 1.3},
    };
    for (const Case& c : cases) {
        const PlanePoint point = fractal::ToPlane(c.view, c.x, c.y);
        // Within a few double ulps: a single-precision sum would be far off.
        EXPECT_DOUBLE_EQ(point.x, c.planeX) << "x of (" << c.x << ", " << c.y << ")";
        EXPECT_DOUBLE_EQ(point.y, c.planeY) << "y of (" << c.x << ", " << c.y << ")";
    }
}

TEST(Magnify, TheSquareHoldsTheDraggedBoxAndGrowsAwayFromTheFirstCornerInEveryDirection)
{
    struct Case
    {
        const char* drag;
        PlanePoint first, second;
        View expected;
    };
    // Worked by hand: the box's shorter side grows to the longer one on the
    // side away from the first corner.
    const Case cases[] = {
        {"down-right, wider than high: the height grows downward", {1, 1}, {5, 2}, {1, 5, 1, 5}},
        {"down-right, taller than wide: the width grows rightward", {1, 1}, {3, 7}, {1, 7, 1, 7}},
        {"up-left: the height grows upward", {6, 6}, {2, 5}, {2, 6, 2, 6}},
        {"up-left, taller than wide: the width grows leftward", {6, 6}, {5, 2}, {2, 6, 2, 6}},
        {"down-left", {6, 1}, {2, 2}, {2, 6, 1, 5}},
        {"up-right", {1, 6}, {5, 4}, {1, 5, 2, 6}},
        {"the same point twice collapses the view", {3, 3}, {3, 3}, {3, 3, 3, 3}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fractal::Magnify(c.first, c.second), c.expected) << c.drag;
}

TEST(Magnify, ACollapsedViewRendersOneColourEverywhere)
{
    // 1 + i leaves radius 2 on the second iteration: escape count 1, blue.
    constexpr fractal::Colour Blue = 0x00FF0000;
    const fractal::ColourGrid grid = fractal::Render(fractal::Magnify({1, 1}, {1, 1}), 10);
    int other = 0;
    for (int x = 0; x < fractal::PictureSide; ++x)
        for (int y = 0; y < fractal::PictureSide; ++y)
            other += grid.At(x, y) != Blue;
    EXPECT_EQ(other, 0) << "cells of a collapsed view that are not the colour of its one point";
}

} // namespace
