#include "direct_escape_count.h"
#include "preperiodic_point.h"
#include "perturbation.h"

#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <set>
#include <string>

namespace {

using fractal::BigFloat;
using fractal::DeepView;
using fractal::testing::DirectEscapeCount;

// A square view width wide, its centre offset from the point by a fraction
// of the width.
DeepView Around(const char* x, const char* y, const char* width, double offset)
{
    constexpr BigFloat::Bits Bits = 4000;
    const BigFloat w = *BigFloat::Parse(width, Bits);
    const BigFloat cx = *BigFloat::Parse(x, Bits) + offset * w;
    const BigFloat cy = *BigFloat::Parse(y, Bits);
    const BigFloat half = w / 2.0;
    return DeepView(cx - half, cx + half, cy - half, cy + half);
}

TEST(Perturbation, EscapeCountsMatchDirectHighPrecisionIteration)
{
    constexpr int Limit = 3000;
    constexpr int PixelsPerView = 250;
    // Around i, whose orbit lands on a repelling 2-cycle, and a Misiurewicz
    // point of the seahorse valley; an offset centre escapes well before
    // many of its pixels. In the last view the centre's orbit settles in the
    // main cardioid while pixels near the period-3 bulb pass close to 0.
    const fractal::DeepPoint seahorse = *fractal::FindPreperiodicPoint({-0.7436, 0.1318}, 24, 2, 4000);
    const std::string sx = seahorse.x.ToString();
    const std::string sy = seahorse.y.ToString();
    const struct
    {
        const char *name, *x, *y, *width;
        double offset;
    } views[] = {{"i", "0", "1", "1e-20", 0.0},
                 {"i", "0", "1", "1e-100", 0.3},
                 {"i", "0", "1", "1e-400", 0.0},
                 {"i", "0", "1", "1e-400", -0.45},
                 {"the seahorse point", sx.c_str(), sy.c_str(), "1e-30", 0.1},
                 {"the period-3 bulb", "-0.1", "0.62", "0.3", 0.0}};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> cell(0, fractal::PictureSide - 1);
    int pixels = 0;
    int mismatches = 0;
    for (const auto& v : views) {
        const DeepView view = Around(v.x, v.y, v.width, v.offset);
        const fractal::PerturbationPlan plan(view, *fractal::ComputeReferenceOrbit(view, Limit));
        std::set<int> counts;
        for (int i = 0; i < PixelsPerView; ++i, ++pixels) {
            const int x = cell(random);
            const int y = cell(random);
            const int expected = DirectEscapeCount(view, x, y, Limit);
            counts.insert(expected);
            const int count = plan.EscapeCount(x, y, Limit);
            mismatches += count != expected;
            if (count != expected)
                std::cout << "pixel (" << x << ", " << y << ") around " << v.name << ", width " << v.width << ": "
                          << count << " against " << expected << '\n';
        }
        EXPECT_GE(counts.size(), 10U) << "a sample of varied counts around " << v.name << ", width " << v.width;
    }
    EXPECT_LE(mismatches * 1000, pixels) << mismatches << " of " << pixels << " pixels differ";
}

TEST(Perturbation, ShallowViewsAreTheDoubleLoopsPictures)
{
    for (const fractal::View& view : {fractal::DefaultView, fractal::View{-0.75, -0.74, 0.1, 0.11}})
        EXPECT_EQ(*fractal::RenderDeep(DeepView(view), 100), fractal::Render(view, 100)) << view.xMin;
}

TEST(Perturbation, ColumnRangesRenderedApartMakeTheWholePicture)
{
    constexpr int Limit = 400;
    const DeepView view = Around("0", "1", "1e-30", 0.2);
    std::vector<int> columns;
    const fractal::ColourGrid whole =
        *fractal::RenderDeep(view, Limit, [&columns](int x, const fractal::ColourGrid&) { columns.push_back(x); });
    ASSERT_EQ(columns.size(), static_cast<std::size_t>(fractal::PictureSide));
    for (int x = 0; x < fractal::PictureSide; ++x)
        ASSERT_EQ(columns[static_cast<std::size_t>(x)], x) << "columns are reported once each, in order";

    const fractal::PerturbationPlan plan(view, *fractal::ComputeReferenceOrbit(view, Limit));
    fractal::ColourGrid pieces;
    ASSERT_TRUE(plan.RenderColumns(250, fractal::PictureSide, Limit, pieces));
    ASSERT_TRUE(plan.RenderColumns(0, 250, Limit, pieces));
    EXPECT_EQ(pieces, whole);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{399, 399}, std::pair{200, 17}}) {
        const int count = DirectEscapeCount(view, x, y, Limit);
        EXPECT_EQ(whole.At(x, y), count == fractal::NotEscaped ? 0 : fractal::EscapeColours[count % 7]);
    }
}

// Corners beyond the range of doubles (only a hand-written place goes there)
// are drawn, not left black with every count lost to infinities.
TEST(Perturbation, ViewsBeyondTheRangeOfDoublesAreDrawnAsDirectIterationSays)
{
    constexpr int Limit = 1000;
    const std::pair<std::string, std::string> sides[] = {{"-1e308", "3e308"}, {"1e308", "3e308"},
                                                          {"-1e400", "3e400"}, {"1e400", "3e400"}};
    for (const auto& [low, high] : sides) {
        const auto view = DeepView::FromText({low, high, low, high});
        ASSERT_TRUE(view && !view->AsView()) << low;
        const fractal::ColourGrid grid = *fractal::RenderDeep(*view, Limit);
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{100, 100}, std::pair{399, 17}}) {
            const int count = DirectEscapeCount(*view, x, y, Limit);
            EXPECT_EQ(grid.At(x, y), count == fractal::NotEscaped ? 0 : fractal::EscapeColours[count % 7]) << low;
        }
    }
}

TEST(Perturbation, AStoppedRenderGivesNoPicture)
{
    std::stop_source source;
    const auto stopAtColumnTen = [&source](int x, const fractal::ColourGrid&) {
        ASSERT_LE(x, 10) << "a column after the stop";
        if (x == 10)
            source.request_stop();
    };
    EXPECT_FALSE(fractal::RenderDeep(Around("0", "1", "1e-30", 0.0), 1000, stopAtColumnTen, source.get_token()));
    EXPECT_FALSE(fractal::RenderDeep(DeepView(), 100, {}, source.get_token()));
}

} // namespace

namespace {

// Skipping runs of iterations as linear maps gives the counts of plain
// perturbation; only chaotic pixels, whose counts hang on the last bits of
// their orbits, may differ, and those are few.
TEST(Perturbation, LinearMapsGivePlainPerturbationsCountsAtEveryDepth)
{
    const fractal::DeepPoint seahorse = *fractal::FindPreperiodicPoint({-0.7436, 0.1318}, 24, 2, 4000);
    const std::string sx = seahorse.x.ToString();
    const std::string sy = seahorse.y.ToString();
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> cell(0, fractal::PictureSide - 1);
    for (const auto& [width, limit] :
         {std::pair{"1e-30", 10'000}, std::pair{"1e-300", 30'000}, std::pair{"1e-1000", 60'000}}) {
        const DeepView view = Around(sx.c_str(), sy.c_str(), width, 0.1);
        const fractal::ReferenceOrbit orbit = *fractal::ComputeReferenceOrbit(view, limit);
        const fractal::PerturbationPlan plain(view, orbit, {.bilinear = false});
        const fractal::PerturbationPlan linear(view, orbit);
        int differ = 0;
        long skipped = 0;
        constexpr int Pixels = 400;
        for (int i = 0; i < Pixels; ++i) {
            const int x = cell(random);
            const int y = cell(random);
            const fractal::PixelOutcome outcome = linear.Evaluate(x, y, limit);
            skipped += outcome.skipped;
            const int plainCount = plain.EscapeCount(x, y, limit);
            differ += outcome.count != plainCount;
        }
        EXPECT_LE(differ * 100, Pixels) << differ << " of " << Pixels << " pixels differ at width " << width;
        EXPECT_GT(skipped, 0) << "no iterations skipped at width " << width;
        std::cout << "width " << width << ": " << differ << " of " << Pixels << " differ, " << skipped / Pixels
                  << " iterations skipped a pixel\n";
    }
}

} // namespace

namespace {

// Around a minibrot of period 40 in the seahorse valley: at 1e-9 the
// reference escapes and pixels inside come back to the same difference
// after rebasing; at 1e-11 the reference itself is caught going round the
// minibrot's cycle. Either way a pixel is inside exactly where direct
// iteration says, and all but chaotic pixels have its count.
TEST(Perturbation, PixelsInsideAMinibrotAreFoundInsideWhereverTheReferenceIs)
{
    constexpr int Limit = 20'000;
    const fractal::DeepPoint nucleus = *fractal::FindPreperiodicPoint({-0.7436, 0.1318}, 0, 40, 600);
    const std::string nx = nucleus.x.ToString();
    const std::string ny = nucleus.y.ToString();
    std::mt19937 random(40);
    std::uniform_int_distribution<int> cell(0, fractal::PictureSide - 1);
    for (const char* width : {"1e-9", "1e-11"}) {
        const DeepView view = Around(nx.c_str(), ny.c_str(), width, 0.37);
        const fractal::PerturbationPlan plan(view, *fractal::ComputeReferenceOrbit(view, Limit));
        EXPECT_EQ(plan.Orbit().cyclePeriod % 40, 0U) << width;
        int inside = 0;
        int otherCounts = 0;
        for (int i = 0; i < 60; ++i) {
            const int x = cell(random);
            const int y = cell(random);
            const int expected = DirectEscapeCount(view, x, y, Limit);
            const int count = plan.EscapeCount(x, y, Limit);
            inside += expected == fractal::NotEscaped;
            otherCounts += count != expected;
            EXPECT_EQ(count == fractal::NotEscaped, expected == fractal::NotEscaped)
                << "pixel (" << x << ", " << y << ") at width " << width;
        }
        EXPECT_GT(inside, 0) << width;
        EXPECT_LE(otherCounts, 2) << "chaotic pixels are few, at width " << width;
    }
}

} // namespace
