#include "outline.h"
#include "parallel_render.h"
#include "perturbation.h"
#include "reference_music.h"
#include "walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

namespace {

// Across the boundary at 600 cells a side, with outline in the cells a 400-cell picture lacks.
constexpr fractal::View Boundary600{-0.76, -0.74, 0.09, 0.11, 600};
constexpr int Limit = 100;

TEST(PictureSide, A600CellRenderSamplesEachOfItsCellsAndDeepBlocksAreWholeColumnsOfIt)
{
    const fractal::ColourGrid grid = fractal::Render(Boundary600, Limit);
    ASSERT_EQ(grid.Side(), 600);
    const double step = 0.02 / 600;
    for (const auto& [x, y] : {std::pair{0, 0}, {599, 599}, {599, 0}, {450, 517}})
        EXPECT_EQ(grid.At(x, y), fractal::ColourOf(fractal::EscapeCount(x * step - 0.76, y * step + 0.09, Limit)))
            << "cell (" << x << ", " << y << ")";
    // Too narrow for doubles: drawn by perturbation, whole or in uneven blocks on two workers alike.
    const auto deep =
        fractal::DeepView::FromText({"-0.7436438870371", "-0.7436438870361", "0.1318259043", "0.131825904301"});
    ASSERT_TRUE(deep && !deep->AsView()) << "a view for perturbation";
    const auto whole = fractal::RenderDeep(deep->WithSide(600), Limit);
    fractal::ColourGrid blocks(600);
    std::mutex lock;
    const auto copy = [&](fractal::ColumnBlock block) { const std::scoped_lock held(lock); block.CopyInto(blocks); };
    fractal::RenderDeepInParallel(deep->WithSide(600), Limit, copy, {},
                                  {.threadCount = 2, .columnsPerBlock = 7, .instructions = {}});
    EXPECT_TRUE(whole && blocks == *whole);
}

TEST(PictureSide, A600CellOutlineAndAWalkFromItsFarCornerAreTheReferences)
{
    const fractal::ColourGrid colours = fractal::Render(Boundary600, Limit);
    const fractal::OutlineGrid outline = fractal::TraceOutline(colours);
    ASSERT_TRUE(outline == reference::OutlineOf(colours, 600));
    std::optional<fractal::Cell> start;
    for (float at = 599; at >= 400 && !start; --at) {
        start = fractal::ChooseStartPoint(outline, at, at);
        ASSERT_EQ(start, reference::StartCell(outline, at, at, 600)) << "a press at " << at;
    }
    ASSERT_TRUE(start) << "the outline reaches the far corner";
    fractal::OutlineGrid walked = outline;
    const fractal::WalkResult walk = fractal::Walk(walked, *start, 400);
    const reference::Walk expected = reference::WalkFrom(outline, *start, 400, 600);
    std::vector<std::uint8_t> bytes(expected.directions.size());
    std::ranges::transform(expected.directions, bytes.begin(), reference::StoredByte);
    EXPECT_EQ(walk.directions, bytes);
    EXPECT_TRUE(walk.completed == expected.completed && walked == reference::AfterWalk(outline, expected));
}

} // namespace
