#include "progress_bar.h"
#include "renderer.h"
#include "shared_state.h"
#include "window_fixture.h"

#include <QImage>

#include <vector>

namespace {

constexpr std::int32_t Red = 0x000000FF;
constexpr std::int32_t Blue = 0x00FF0000;
constexpr std::int32_t Green = 0x0000FF00;
constexpr std::int32_t Yellow = 0x0000FFFF;

class RendererTest : public WindowFixture
{
protected:
    std::int32_t ScreenAt(int x, int y) const { return form->Area()->Pixel(x, y); }
};

struct KnownPixel
{
    int x;
    int y;
    std::int32_t colour;
};

} // namespace

TEST_F(RendererTest, DefaultViewHasItsKnownPixelsAtEveryAccuracy)
{
    const KnownPixel pixels[] = {
        {0, 0, Red},      // -2 - 1.4i escapes at once
        {399, 0, Blue},   // escapes after one iteration
        {399, 207, Green},
        {0, 207, Red},    // -2 - 0.00275i: just above 4
        {200, 200, 0},    // inside the set: never drawn
    };
    for (int seido = 0; seido < 3; ++seido) {
        SelectSeido(seido);
        Click(form->Draw());
        for (const auto& p : pixels) {
            EXPECT_EQ(ColorGrid[p.x][p.y], p.colour) << "grid (" << p.x << ", " << p.y << ") at seido " << seido;
            EXPECT_EQ(ScreenAt(p.x, p.y), p.colour) << "screen (" << p.x << ", " << p.y << ") at seido " << seido;
        }
    }
}

TEST_F(RendererTest, HighAccuracyLeavesTheKnownNumberOfPixelsUnescaped)
{
    SelectSeido(2);
    Click(form->Draw());
    int inside = 0;
    for (int x = 0; x < PictureSide; ++x) {
        for (int y = 0; y < PictureSide; ++y) {
            if (ColorGrid[x][y] == 0)
                ++inside;
            ASSERT_EQ(ScreenAt(x, y), ColorGrid[x][y]) << "screen and grid differ at (" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(inside, 33928);
}

TEST(EscapeCount, ModulusOfExactlyFourDoesNotEscape)
{
    for (const std::int16_t limit : {10, 50, 100}) {
        EXPECT_EQ(EscapeCount(2.0, 0.0, limit), 1) << "2 + 0i reaches 4, then escapes, at limit " << limit;
        EXPECT_EQ(EscapeCount(-2.0, 0.0, limit), NotEscaped) << "-2 + 0i stays at 4, at limit " << limit;
        EXPECT_EQ(EscapeCount(-2.0, -0.00275, limit), 0) << "just outside radius 2, at limit " << limit;
    }
}

TEST_F(RendererTest, ExactlyFourIsDrawnOnlyWhenTheNextIterationEscapes)
{
    MaxIterations = 10;
    View = {2.0, 3.0, 0.0, 1.0, 0.0, 0.0};
    DrawMandelbrot();
    EXPECT_EQ(ColorGrid[0][0], Blue) << "2 + 0i escapes at count 1";

    View = {-2.0, -1.0, 0.0, 1.0, 0.0, 0.0};
    DrawMandelbrot();
    EXPECT_EQ(ColorGrid[0][0], 0) << "-2 + 0i never escapes";
    EXPECT_EQ(ScreenAt(0, 0), 0);
}

TEST_F(RendererTest, ThePointsEscapingAtTheLimitAreDrawnAndOneLaterAreNot)
{
    struct Case
    {
        int seido;
        std::int16_t limit;
        std::int32_t colourAtLimit;
    };
    const Case cases[] = {{0, 10, Yellow}, {1, 50, Blue}, {2, 100, Green}};
    for (const auto& c : cases) {
        SelectSeido(c.seido);
        Click(form->Draw());
        int atLimit = 0;
        int justPast = 0;
        for (int x = 0; x < PictureSide; ++x) {
            for (int y = 0; y < PictureSide; ++y) {
                const std::int16_t count = EscapeCount(x * View.XStep + View.XMin, y * View.YStep + View.YMin, 200);
                if (count == c.limit) {
                    ++atLimit;
                    EXPECT_EQ(ColorGrid[x][y], c.colourAtLimit) << "(" << x << ", " << y << ") limit " << c.limit;
                } else if (count == c.limit + 1) {
                    ++justPast;
                    EXPECT_EQ(ColorGrid[x][y], 0) << "(" << x << ", " << y << ") limit " << c.limit;
                }
            }
        }
        EXPECT_GT(atLimit, 0) << "the view should hold points escaping at " << c.limit;
        EXPECT_GT(justPast, 0) << "the view should hold points escaping at " << c.limit + 1;
    }
}

TEST_F(RendererTest, ProgressFollowsEveryColumnAndStaysAtTheLastOne)
{
    std::vector<float> values;
    QObject::connect(form->Progress(), &ProgressBar::ValueSet, [&values](float v) { values.push_back(v); });
    Click(form->Draw());

    ASSERT_EQ(values.size(), 401u);
    EXPECT_EQ(values[0], 0.0f);
    for (int x = 0; x < 400; ++x)
        ASSERT_EQ(values[x + 1], static_cast<float>(x * 0.25)) << "after column " << x;
    EXPECT_EQ(form->Progress()->Value(), 99.75f);
}

TEST_F(RendererTest, TheSpareRowAndColumnStayZeroAfterManyRenders)
{
    for (int seido = 0; seido < 3; ++seido) {
        SelectSeido(seido);
        Click(form->Draw());
        PressAt(100, 100);
        PressAt(300, 250);
    }
    for (int i = 0; i < GridSide; ++i) {
        ASSERT_EQ(ColorGrid[400][i], 0) << "column 400, row " << i;
        ASSERT_EQ(ColorGrid[i][400], 0) << "row 400, column " << i;
    }
}

TEST_F(RendererTest, DrawReturnsToTheDefaultViewAndEnablesMagnifyAndTrace)
{
    Click(form->Draw());
    PressAt(200, 100);
    PressAt(300, 200);
    ASSERT_NE(View.XMin, DefaultXMin) << "the magnification should have changed the view";

    Click(form->Draw());
    EXPECT_EQ(View.XMin, DefaultXMin);
    EXPECT_EQ(View.XMax, DefaultXMax);
    EXPECT_EQ(View.YMin, DefaultYMin);
    EXPECT_EQ(View.YMax, DefaultYMax);
    EXPECT_EQ(View.XStep, (0.7 - -2.0) / 400);
    EXPECT_EQ(ColorGrid[0][0], Red);
    EXPECT_TRUE(form->Mangify()->isEnabled());
    EXPECT_TRUE(form->Trace()->isEnabled());
    EXPECT_FALSE(form->Compose()->isEnabled()) << "Draw leaves Compose alone";
    EXPECT_TRUE(form->Draw()->isEnabled()) << "Draw disables nothing";
}

TEST_F(RendererTest, ChangingAccuracyShowsNothingUntilTheNextRender)
{
    SelectSeido(1);
    Click(form->Draw());
    const QImage before = form->Area()->Image().copy();
    const Grid gridBefore = ColorGrid;

    SelectSeido(0);
    EXPECT_EQ(form->Area()->Image(), before) << "the picture must not change on selection";
    EXPECT_EQ(ColorGrid, gridBefore);
    EXPECT_EQ(MaxIterations, 50);

    Click(form->Draw());
    EXPECT_EQ(MaxIterations, 10);
    EXPECT_NE(form->Area()->Image(), before) << "a coarser render looks different";
}

TEST_F(RendererTest, RenderDoesNotTouchTheOutlineOrTheInteractionMode)
{
    DrawAndTrace();
    const Grid outline = OutlineGrid;
    InteractionMode = ModeStartPoint;
    DrawMandelbrot();
    EXPECT_EQ(OutlineGrid, outline);
    EXPECT_EQ(InteractionMode, ModeStartPoint);
}
