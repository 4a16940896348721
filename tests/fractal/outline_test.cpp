#include "outline.h"
#include "printing.h"
#include "render.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using fractal::Cell;
using fractal::ColourGrid;
using fractal::OutlineGrid;
using fractal::OutlineWhite;
using fractal::PictureSide;

constexpr fractal::Colour Escaped = 0x000000FF;
constexpr int FrameCells = 4 * PictureSide - 4;

bool OnEdge(int x, int y)
{
    return x == 0 || y == 0 || x == PictureSide - 1 || y == PictureSide - 1;
}

std::vector<Cell> MarkedCells(const OutlineGrid& outline)
{
    std::vector<Cell> marked;
    for (int x = 0; x < PictureSide; ++x)
        for (int y = 0; y < PictureSide; ++y)
            if (outline.At(x, y) != 0)
                marked.push_back({x, y});
    return marked;
}

// Every cell holds 0 or white, white exactly where the rule says: an escaped
// cell with at least one escaped and at least one non-escaped neighbour, a
// neighbour off the picture being non-escaped. The spare cells stay 0.
void ExpectOutlineOf(const ColourGrid& colours, const OutlineGrid& outline)
{
    for (int x = 0; x < fractal::GridSide; ++x) {
        for (int y = 0; y < fractal::GridSide; ++y) {
            bool escapedNeighbour = false;
            bool otherNeighbour = false;
            for (int dx = -1; dx <= 1; ++dx) {
                for (int dy = -1; dy <= 1; ++dy) {
                    if (dx == 0 && dy == 0)
                        continue;
                    const bool escaped = fractal::InsidePicture(x + dx, y + dy) && colours.At(x + dx, y + dy) != 0;
                    (escaped ? escapedNeighbour : otherNeighbour) = true;
                }
            }
            const bool outlined = fractal::InsidePicture(x, y) && colours.At(x, y) != 0 && escapedNeighbour && otherNeighbour;
            ASSERT_EQ(outline.At(x, y), outlined ? OutlineWhite : 0) << "cell (" << x << ", " << y << ")";
        }
    }
}

TEST(TraceOutline, TheDefaultViewGetsAClosedFrameApartFromTheSetAtEveryLimit)
{
    for (const int limit : {10, 50, 100}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        const ColourGrid colours = fractal::Render(fractal::DefaultView, limit);
        const OutlineGrid outline = fractal::TraceOutline(colours);
        int frame = 0;
        int secondRing = 0;
        for (const Cell cell : MarkedCells(outline)) {
            frame += OnEdge(cell.x, cell.y);
            secondRing += !OnEdge(cell.x, cell.y) && (OnEdge(cell.x - 1, cell.y) || OnEdge(cell.x + 1, cell.y) ||
                                                      OnEdge(cell.x, cell.y - 1) || OnEdge(cell.x, cell.y + 1));
        }
        EXPECT_EQ(frame, FrameCells) << "every edge cell escapes and is outline";
        EXPECT_EQ(secondRing, 0) << "the ring inside the frame sees only escaped cells";
        EXPECT_GT(MarkedCells(outline).size(), std::size_t{FrameCells}) << "the set's own outline lies inside the frame";
        ExpectOutlineOf(colours, outline);
    }
}

TEST(TraceOutline, AnAllEscapedViewGivesOnlyTheFrameAndAViewInsideTheSetNothing)
{
    const OutlineGrid allEscaped = fractal::TraceOutline(fractal::Render({2.5, 3.5, 2.5, 3.5}, 10));
    for (const Cell cell : MarkedCells(allEscaped))
        ASSERT_TRUE(OnEdge(cell.x, cell.y)) << "an all-escaped view gives only the frame, not (" << cell.x << ", " << cell.y << ")";
    EXPECT_EQ(MarkedCells(allEscaped).size(), std::size_t{FrameCells});

    const OutlineGrid inside = fractal::TraceOutline(fractal::Render({-0.2, -0.1, -0.05, 0.05}, 100));
    EXPECT_TRUE(MarkedCells(inside).empty()) << "a view inside the set has no outline";
}

TEST(TraceOutline, MarksOnlyEscapedCellsNextToBothKinds)
{
    struct Case
    {
        const char* layout;
        std::function<void(ColourGrid&)> lay;
        std::vector<Cell> marked;  // besides the frame when the edges escape
        bool frame;
    };
    auto fill = [](ColourGrid& grid) {
        for (int x = 0; x < PictureSide; ++x)
            for (int y = 0; y < PictureSide; ++y)
                grid.Set(x, y, Escaped);
    };
    const Case cases[] = {
        {"a hole whose eight neighbours escaped",
         [&](ColourGrid& g) { fill(g); g.Set(101, 101, 0); },
         {{100, 100}, {100, 101}, {100, 102}, {101, 100}, {101, 102}, {102, 100}, {102, 101}, {102, 102}},
         true},
        {"a corner whose right neighbour escaped", [](ColourGrid& g) { g.Set(0, 0, Escaped); g.Set(1, 0, Escaped); },
         {{0, 0}, {1, 0}}, false},
        {"a corner whose lower neighbour escaped", [](ColourGrid& g) { g.Set(0, 0, Escaped); g.Set(0, 1, Escaped); },
         {{0, 0}, {0, 1}}, false},
        {"a corner whose only escaped neighbour is diagonal",
         [](ColourGrid& g) { g.Set(0, 0, Escaped); g.Set(1, 1, Escaped); }, {{0, 0}, {1, 1}}, false},
        {"a corner with no escaped neighbour", [](ColourGrid& g) { g.Set(0, 0, Escaped); g.Set(2, 2, Escaped); }, {},
         false},
        {"a lone escaped cell inside the set", [](ColourGrid& g) { g.Set(200, 200, Escaped); }, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        ColourGrid colours;
        c.lay(colours);
        const OutlineGrid outline = fractal::TraceOutline(colours);
        std::vector<Cell> inside;
        int frame = 0;
        for (const Cell cell : MarkedCells(outline)) {
            if (c.frame && OnEdge(cell.x, cell.y))
                ++frame;
            else
                inside.push_back(cell);
        }
        EXPECT_EQ(inside, c.marked);
        EXPECT_EQ(frame, c.frame ? FrameCells : 0);
        ExpectOutlineOf(colours, outline);
    }
}

TEST(TraceOutline, TellsTheObserverEachColumnBeforeTheOutlineFoundInIt)
{
    const ColourGrid colours = fractal::Render(fractal::DefaultView, 10);
    std::vector<int> columns;
    std::vector<Cell> found;
    int foundOutsideItsColumn = 0;
    const OutlineGrid outline = fractal::TraceOutline(colours, {
        [&](int x) { columns.push_back(x); },
        [&](Cell cell) {
            found.push_back(cell);
            foundOutsideItsColumn += columns.empty() || columns.back() != cell.x;
        },
    });
    std::vector<int> expected(PictureSide);
    for (int x = 0; x < PictureSide; ++x)
        expected[x] = x;
    EXPECT_EQ(columns, expected) << "one call per column, from the left";
    EXPECT_EQ(found, MarkedCells(outline)) << "every outline cell once, column by column, top to bottom";
    EXPECT_EQ(foundOutsideItsColumn, 0) << "cells reported while another column was being examined";
}

} // namespace
