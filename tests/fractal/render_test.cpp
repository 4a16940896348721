#include "render.h"

#include "escape_counts.h"
#include "parallel_render.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <complex>
#include <mutex>
#include <vector>

namespace {

using fractal::Colour;
using fractal::ColourGrid;
using fractal::PictureSide;
using fractal::View;

constexpr Colour Red = 0x000000FF;
constexpr Colour Blue = 0x00FF0000;
constexpr Colour Green = 0x0000FF00;
constexpr Colour Yellow = 0x0000FFFF;
constexpr Colour Cyan = 0x00FFFF00;
constexpr Colour Magenta = 0x00FF00FF;
constexpr Colour White = 0x00FFFFFF;
constexpr std::array<Colour, 7> ByCountModSeven{Red, Blue, Green, Yellow, Cyan, Magenta, White};

constexpr int Limits[] = {10, 50, 100};

// An independent escape count in complex arithmetic: the iterations of
// z -> z^2 + c that stayed within radius 2 before the first that left it,
// -1 when none left within limit + 1 iterations; norm gets |z|^2 there.
int ReferenceEscapeCount(std::complex<double> c, int limit, double* norm = nullptr)
{
    std::complex<double> z = 0.0;
    for (int count = 0; count <= limit; ++count) {
        z = z * z + c;
        // std::norm may go through a square root; square the parts directly.
        if (z.real() * z.real() + z.imag() * z.imag() > 4.0) {
            if (norm != nullptr)
                *norm = z.real() * z.real() + z.imag() * z.imag();
            return count;
        }
    }
    return -1;
}

// The plane point a cell samples: column x from xMin, row y from yMin.
std::complex<double> CellPoint(const View& view, int x, int y)
{
    const fractal::PlanePoint point = fractal::ToPlane(view, static_cast<float>(x), static_cast<float>(y));
    return {point.x, point.y};
}

TEST(EscapeCount, AModulusOfExactlyFourIsNotAnEscape)
{
    for (const int limit : Limits) {
        EXPECT_EQ(fractal::EscapeCount(2.0, 0.0, limit), 1) << "2 + 0i reaches 4, then escapes; limit " << limit;
        EXPECT_EQ(fractal::EscapeCount(-2.0, 0.0, limit), fractal::NotEscaped) << "-2 + 0i stays at 4; limit " << limit;
        EXPECT_EQ(fractal::EscapeCount(-2.0, -0.00275, limit), 0) << "just outside radius 2; limit " << limit;
    }
}

TEST(Render, KnownCellsHaveTheirColoursAtEveryLimit)
{
    struct Case
    {
        const char* point;
        View view;
        int x, y;
        Colour colour;
    };
    const Case cases[] = {
        {"-2 - 1.4i escapes at once", fractal::DefaultView, 0, 0, Red},
        {"0.69325 - 1.4i escapes after one iteration", fractal::DefaultView, 399, 0, Blue},
        {"0.69325 - 0.00275i", fractal::DefaultView, 399, 207, Green},
        {"-2 - 0.00275i is just outside radius 2", fractal::DefaultView, 0, 207, Red},
        {"-0.65 - 0.05i is inside the set", fractal::DefaultView, 200, 200, 0},
        {"2 + 0i reaches exactly 4 and escapes one iteration later", {2, 3, 0, 1}, 0, 0, Blue},
        {"-2 + 0i stays at exactly 4 for ever", {-2, -1, 0, 1}, 0, 0, 0},
    };
    for (const int limit : Limits) {
        for (const Case& c : cases) {
            const ColourGrid grid = fractal::Render(c.view, limit);
            EXPECT_EQ(grid.At(c.x, c.y), c.colour) << c.point << " at cell (" << c.x << ", " << c.y << "), limit " << limit;
        }
    }
}

TEST(Render, EveryCellMatchesAnIndependentEscapeCountAndTheSpareCellsStayZero)
{
    struct Case
    {
        const char* name;
        View view;
        int limit;
    };
    const Case cases[] = {
        {"default view, limit 10", fractal::DefaultView, 10},
        {"default view, limit 50", fractal::DefaultView, 50},
        {"default view, limit 100", fractal::DefaultView, 100},
        {"a magnified view near the boundary", {-0.75, -0.74, 0.1, 0.11}, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ColourGrid grid = fractal::Render(c.view, c.limit);
        int atLimit = 0;
        int justPast = 0;
        for (int x = 0; x < PictureSide; ++x) {
            for (int y = 0; y < PictureSide; ++y) {
                const int count = ReferenceEscapeCount(CellPoint(c.view, x, y), c.limit + 1);
                atLimit += count == c.limit;
                justPast += count == c.limit + 1;
                const Colour expected = count >= 0 && count <= c.limit ? ByCountModSeven[count % 7] : 0;
                ASSERT_EQ(grid.At(x, y), expected) << "cell (" << x << ", " << y << "), escape count " << count;
            }
        }
        EXPECT_GT(atLimit, 0) << "the view should hold cells escaping exactly at the limit";
        EXPECT_GT(justPast, 0) << "and cells escaping one iteration later";
        for (int i = 0; i < fractal::GridSide; ++i) {
            ASSERT_EQ(grid.At(PictureSide, i), 0) << "spare column, row " << i;
            ASSERT_EQ(grid.At(i, PictureSide), 0) << "spare row, column " << i;
        }
    }
}

TEST(Render, TheDefaultViewAtLimit100Has33928CellsThatNeverEscape)
{
    const ColourGrid grid = fractal::Render(fractal::DefaultView, 100);
    int inside = 0;
    for (int x = 0; x < PictureSide; ++x)
        for (int y = 0; y < PictureSide; ++y)
            inside += grid.At(x, y) == 0;
    EXPECT_EQ(inside, 33928);
}

TEST(Render, ReportsEachColumnOnceInOrderWhenItIsComplete)
{
    const ColourGrid final = fractal::Render(fractal::DefaultView, 10);
    std::vector<int> columns;
    std::vector<int> incomplete;
    std::vector<int> ahead;
    fractal::Render(fractal::DefaultView, 10, [&](int x, const ColourGrid& grid) {
        columns.push_back(x);
        for (int y = 0; y < PictureSide; ++y) {
            if (grid.At(x, y) != final.At(x, y)) {
                incomplete.push_back(x);
                break;
            }
        }
        for (int y = 0; x + 1 < PictureSide && y < PictureSide; ++y) {
            if (grid.At(x + 1, y) != 0) {
                ahead.push_back(x);
                break;
            }
        }
    });
    std::vector<int> expected(PictureSide);
    for (int x = 0; x < PictureSide; ++x)
        expected[x] = x;
    EXPECT_EQ(columns, expected) << "one report per column, from the left";
    EXPECT_EQ(incomplete, std::vector<int>{}) << "columns reported before all their cells were set";
    EXPECT_EQ(ahead, std::vector<int>{}) << "columns reported with the next column already drawn";
}

// Seahorse valley: spirals of slowly escaping points around small bulbs.
constexpr View Seahorse{-0.7486, -0.7386, 0.1268, 0.1368};

TEST(CountEscapes, EveryInstructionSetGivesTheIndependentCountAndEscapeNormAtLowAndHighLimits)
{
    struct Case
    {
        const char* name;
        View view;
        int limit;
        fractal::ColumnRange columns;
    };
    const Case cases[] = {
        {"default view, limit 10", fractal::DefaultView, 10, {0, PictureSide}},
        {"default view, limit 50", fractal::DefaultView, 50, {0, PictureSide}},
        {"default view, limit 100", fractal::DefaultView, 100, {0, PictureSide}},
        {"near the boundary, limit 100", {-0.75, -0.74, 0.1, 0.11}, 100, {0, PictureSide}},
        {"-2 + 0i stays at modulus 4", {-2, -1, 0, 1}, 10000, {0, 3}},
        {"across the set, limit 1000", fractal::DefaultView, 1000, {190, 5}},
        {"seahorse valley, limit 1000", Seahorse, 1000, {100, 10}},
        {"seahorse valley, limit 10000", Seahorse, 10000, {393, 7}},
        {"inside the main cardioid, limit 10000", {-0.3, -0.1, -0.1, 0.1}, 10000, {0, 3}},
        // Orbits that settle on exact cycles of two, and -1 + 0i of period 2 from the start.
        {"the period-2 bulb around -1, limit 10000", {-1.05, -0.95, -0.05, 0.05}, 10000, {198, 4}},
    };
    for (const fractal::InstructionSet instructions : fractal::SupportedInstructionSets()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << ", instruction set " << static_cast<int>(instructions));
            std::vector<int> counts(static_cast<std::size_t>(c.columns.PixelCount()));
            std::vector<double> norms(counts.size(), -1.0);
            ASSERT_TRUE(fractal::CountEscapes(c.view, c.limit, c.columns, counts, instructions, {}, norms));
            for (int i = 0; i < c.columns.PixelCount(); ++i) {
                const int x = c.columns.firstColumn + i / PictureSide;
                const int y = i % PictureSide;
                double norm = -1.0;
                ASSERT_EQ(counts[static_cast<std::size_t>(i)], ReferenceEscapeCount(CellPoint(c.view, x, y), c.limit, &norm))
                    << "cell (" << x << ", " << y << ")";
                ASSERT_EQ(norms[static_cast<std::size_t>(i)], norm) << "cell (" << x << ", " << y << ")";
            }
        }
    }
}

TEST(RenderInParallel, AssemblesTheSerialPictureOnAnyThreadsWithEachColumnOnce)
{
    const ColourGrid serial = fractal::Render(Seahorse, 1000);
    for (const fractal::InstructionSet instructions : fractal::SupportedInstructionSets()) {
        for (const int threads : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << threads << " threads, instruction set " << static_cast<int>(instructions));
            std::mutex mutex;
            ColourGrid assembled;
            std::vector<int> deliveries(PictureSide);
            const auto outcome = fractal::RenderInParallel(
                Seahorse, 1000,
                [&](fractal::ColumnBlock block) {
                    const std::lock_guard lock(mutex);
                    block.CopyInto(assembled);
                    for (int i = 0; i < block.columns.columnCount; ++i)
                        ++deliveries[static_cast<std::size_t>(block.columns.firstColumn + i)];
                },
                {}, {.threadCount = threads, .columnsPerBlock = 7, .instructions = instructions});
            EXPECT_EQ(outcome, fractal::RenderOutcome::Completed);
            EXPECT_EQ(assembled, serial);
            EXPECT_EQ(deliveries, std::vector<int>(PictureSide, 1));
        }
    }
}

TEST(RenderInParallel, AStopBeforeOrDuringTheRenderLeavesItIncompleteEvenAtAMillionIterations)
{
    for (const bool before : {true, false}) {
        SCOPED_TRACE(before ? "stop before" : "stop at the first block");
        std::stop_source stop;
        if (before)
            stop.request_stop();
        std::atomic<int> blocks = 0;
        const auto outcome = fractal::RenderInParallel(
            fractal::DefaultView, 1'000'000,
            [&](fractal::ColumnBlock) {
                ++blocks;
                stop.request_stop();
            },
            stop.get_token(), {.threadCount = 2, .columnsPerBlock = 1, .instructions = {}});
        EXPECT_EQ(outcome, fractal::RenderOutcome::Stopped);
        EXPECT_LT(blocks, before ? 1 : PictureSide);
    }
}

} // namespace
