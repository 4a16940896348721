#include "outline.h"
#include "progress_bar.h"
#include "renderer.h"
#include "shared_state.h"
#include "window_fixture.h"

#include <vector>

namespace {

constexpr std::int32_t Escaped = 0x000000FF;

class OutlineTest : public WindowFixture
{
protected:
    // Draw first so Trace is available, then trace the grid a test has laid out.
    void TraceGrid(const Grid& grid)
    {
        Click(form->Draw());
        ColorGrid = grid;
        Click(form->Trace());
    }

    static Grid Filled(std::int32_t value)
    {
        Grid grid{};
        for (int x = 0; x < PictureSide; ++x) {
            for (int y = 0; y < PictureSide; ++y)
                grid[x][y] = value;
        }
        return grid;
    }

    int MarkedCount() const
    {
        int marked = 0;
        for (const auto& column : OutlineGrid) {
            for (const auto cell : column)
                marked += cell != 0;
        }
        return marked;
    }

    static bool OnEdge(int x, int y) { return x == 0 || y == 0 || x == 399 || y == 399; }

    // The grid holds white exactly where the screen is white, and only 0 or white.
    void ExpectScreenMatchesGrid()
    {
        for (int x = 0; x < GridSide; ++x) {
            for (int y = 0; y < GridSide; ++y) {
                const std::int32_t cell = OutlineGrid[x][y];
                ASSERT_TRUE(cell == 0 || cell == OutlineWhite) << "(" << x << ", " << y << ") holds " << cell;
                if (x < PictureSide && y < PictureSide)
                    ASSERT_EQ(form->Area()->Pixel(x, y), cell) << "screen at (" << x << ", " << y << ")";
                else
                    ASSERT_EQ(cell, 0) << "spare cell (" << x << ", " << y << ")";
            }
        }
    }
};

} // namespace

TEST_F(OutlineTest, DefaultViewGetsAClosedFrameApartFromTheSetAtEveryAccuracy)
{
    for (int seido = 0; seido < 3; ++seido) {
        SelectSeido(seido);
        Click(form->Draw());
        Click(form->Trace());
        int frame = 0;
        for (int x = 0; x < PictureSide; ++x) {
            for (int y = 0; y < PictureSide; ++y) {
                if (OnEdge(x, y)) {
                    frame += OutlineGrid[x][y] == OutlineWhite;
                } else if (x == 1 || y == 1 || x == 398 || y == 398) {
                    EXPECT_EQ(OutlineGrid[x][y], 0) << "second ring (" << x << ", " << y << ") seido " << seido;
                }
            }
        }
        EXPECT_EQ(frame, 1596) << "every edge pixel is outline at seido " << seido;
        EXPECT_GT(MarkedCount(), 1596) << "the set's own outline lies inside the frame";
        ExpectScreenMatchesGrid();

        // Back to a state where Draw is available for the next accuracy.
        form->Draw()->setEnabled(true);
    }
}

TEST_F(OutlineTest, TraceSwitchesTheCommandsOverToComposing)
{
    Click(form->Draw());
    Click(form->Trace());
    EXPECT_FALSE(form->Draw()->isEnabled());
    EXPECT_FALSE(form->Trace()->isEnabled());
    EXPECT_FALSE(form->Mangify()->isEnabled());
    EXPECT_TRUE(form->Compose()->isEnabled());
    EXPECT_EQ(form->Area()->Pixel(0, 0), OutlineWhite);
    EXPECT_EQ(form->Area()->Pixel(50, 50), 0) << "the coloured picture is gone";
    EXPECT_NE(ColorGrid[50][50], 0) << "but the grid still holds it";
}

TEST_F(OutlineTest, AnAllEscapedViewGivesOnlyTheFrame)
{
    Click(form->Draw());
    View = {2.5, 3.5, 2.5, 3.5, 0.0, 0.0};
    DrawMandelbrot();
    Click(form->Trace());
    EXPECT_EQ(MarkedCount(), 1596);
    for (int x = 0; x < PictureSide; ++x) {
        for (int y = 0; y < PictureSide; ++y)
            ASSERT_EQ(OutlineGrid[x][y] != 0, OnEdge(x, y)) << "(" << x << ", " << y << ")";
    }
}

TEST_F(OutlineTest, AViewInsideTheSetHasNoOutlineYetComposeOpens)
{
    SelectSeido(2);
    Click(form->Draw());
    View = {-0.2, -0.1, -0.05, 0.05, 0.0, 0.0};
    DrawMandelbrot();
    Click(form->Trace());
    EXPECT_EQ(MarkedCount(), 0);
    ExpectScreenMatchesGrid();
    EXPECT_TRUE(form->Compose()->isEnabled());
}

TEST_F(OutlineTest, NeighbourRulesMarkOnlyEscapedPixelsNextToBothKinds)
{
    Grid grid = Filled(Escaped);
    grid[101][101] = 0;  // a hole whose eight neighbours escaped
    TraceGrid(grid);

    EXPECT_EQ(OutlineGrid[101][101], 0) << "a non-escaped pixel is never outline";
    for (int x = 100; x <= 102; ++x) {
        for (int y = 100; y <= 102; ++y) {
            if (x != 101 || y != 101) {
                EXPECT_EQ(OutlineGrid[x][y], OutlineWhite) << "neighbour (" << x << ", " << y << ") of the hole";
            }
        }
    }
    EXPECT_EQ(OutlineGrid[100][100], OutlineWhite) << "a diagonal non-escaped neighbour is enough";
    EXPECT_EQ(OutlineGrid[103][101], 0) << "two cells away sees only escaped neighbours";
    EXPECT_EQ(MarkedCount(), 8 + 1596);
    ExpectScreenMatchesGrid();
}

TEST_F(OutlineTest, ACornerPixelIsOutlineExactlyWhenOneOfItsThreeNeighboursEscaped)
{
    struct Case
    {
        int x;
        int y;
        bool marked;
    };
    const Case cases[] = {{1, 0, true}, {0, 1, true}, {1, 1, true}, {2, 2, false}};
    for (const auto& c : cases) {
        Grid grid{};
        grid[0][0] = Escaped;
        grid[c.x][c.y] = Escaped;
        TraceGrid(grid);
        EXPECT_EQ(OutlineGrid[0][0] != 0, c.marked) << "corner with escaped neighbour (" << c.x << ", " << c.y << ")";
        form->Draw()->setEnabled(true);
    }
}

TEST_F(OutlineTest, ALoneEscapedPixelInsideTheSetIsNotOutline)
{
    Grid grid{};
    grid[200][200] = Escaped;
    TraceGrid(grid);
    EXPECT_EQ(MarkedCount(), 0);
}

TEST_F(OutlineTest, ProgressIsSetAtTheStartOfEveryColumn)
{
    Click(form->Draw());
    std::vector<float> values;
    QObject::connect(form->Progress(), &ProgressBar::ValueSet, [&values](float v) { values.push_back(v); });
    Click(form->Trace());
    ASSERT_EQ(values.size(), 401u);
    EXPECT_EQ(values[0], 0.0f);
    for (int x = 0; x < 400; ++x)
        ASSERT_EQ(values[x + 1], static_cast<float>(x * 0.25)) << "column " << x;
}

TEST_F(OutlineTest, TracingAgainRebuildsTheOutlineFromTheLatestRender)
{
    Click(form->Draw());
    Click(form->Trace());
    OutlineGrid[0][0] = 0;  // as a walk would consume it
    form->Trace()->setEnabled(true);
    Click(form->Trace());
    EXPECT_EQ(OutlineGrid[0][0], OutlineWhite);
}
