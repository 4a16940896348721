#include "render.h"
#include "render_runner.h"

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

// The seahorse valley, 0.01 wide: every column costs something.
constexpr fractal::View Seahorse{-0.7486, -0.7386, 0.1268, 0.1368};

TEST(ThreadedRenderRunner, HandsBackThePictureColumnByColumnInOrderOnTheCallersThread)
{
    ThreadedRenderRunner runner;
    std::vector<int> order;
    fractal::ColourGrid grid;
    int finished = 0;
    runner.Start(fractal::DeepView(Seahorse), 1000,
                 {.columnsReady =
                      [&](const fractal::ColumnBlock& block) {
                          for (int x = block.columns.firstColumn; x < block.columns.firstColumn + block.columns.columnCount; ++x)
                              order.push_back(x);
                          block.CopyInto(grid);
                      },
                  .finished = [&] { ++finished; }});
    EXPECT_TRUE(order.empty()) << "nothing arrives before the event loop runs";
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished > 0; }, 20000));
    std::vector<int> expected(fractal::PictureSide);
    for (int x = 0; x < fractal::PictureSide; ++x)
        expected[static_cast<std::size_t>(x)] = x;
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(grid == fractal::Render(Seahorse, 1000));
    QTest::qWait(50);
    EXPECT_EQ(finished, 1);
}

TEST(ThreadedRenderRunner, AfterCancelNothingMoreArrives)
{
    ThreadedRenderRunner runner;
    int columns = 0;
    bool finished = false;
    runner.Start(fractal::DeepView(Seahorse), 1'000'000, {.columnsReady = [&](const fractal::ColumnBlock& block) { columns += block.columns.columnCount; },
                                       .finished = [&] { finished = true; }});
    QTest::qWait(30);
    runner.Cancel();
    const int atCancel = columns;
    QTest::qWait(200);
    EXPECT_EQ(columns, atCancel);
    EXPECT_FALSE(finished);
    EXPECT_LT(columns, fractal::PictureSide) << "a million iterations a point take longer than that";
}

} // namespace
