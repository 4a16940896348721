#include "magnification.h"
#include "outline.h"
#include "shared_state.h"
#include "window_fixture.h"

namespace {

class MagnificationTest : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        Click(form->Draw());
    }

    static constexpr double Step = (0.7 - -2.0) / 400;
    static double PlaneX(double x) { return x * Step + -2.0; }
    static double PlaneY(double y) { return y * Step + -1.4; }

    void ExpectView(double xMin, double xMax, double yMin, double yMax)
    {
        EXPECT_EQ(View.XMin, xMin);
        EXPECT_EQ(View.XMax, xMax);
        EXPECT_EQ(View.YMin, yMin);
        EXPECT_EQ(View.YMax, yMax);
    }
};

} // namespace

TEST_F(MagnificationTest, TheButtonOnlyExplains)
{
    const ViewRect before = View;
    Click(form->Mangify());
    ASSERT_EQ(messages->Texts().size(), 1u);
    EXPECT_EQ(messages->Texts()[0], "Click begin point and end point to magnify.");
    EXPECT_EQ(InteractionMode, ModeIdle);
    EXPECT_EQ(View.XMin, before.XMin);
    EXPECT_FALSE(form->Area()->IsLineVisible());
}

TEST_F(MagnificationTest, TheFirstCornerShowsALineThatFollowsThePointer)
{
    MoveTo(50, 50);
    EXPECT_FALSE(form->Area()->IsLineVisible()) << "moves before a first corner do nothing";

    PressAt(100.5, 50.25);
    EXPECT_EQ(InteractionMode, ModeSecondCorner);
    EXPECT_TRUE(form->Area()->IsLineVisible());
    EXPECT_EQ(form->Area()->Line(), QLineF(100.5, 50.25, 100.5, 50.25));
    EXPECT_EQ(SelX1, PlaneX(100.5));
    EXPECT_EQ(SelY1, PlaneY(50.25));

    MoveTo(220, 130);
    MoveTo(250.5, 140);
    EXPECT_EQ(form->Area()->Line(), QLineF(100.5, 50.25, 250.5, 140));
}

TEST_F(MagnificationTest, ADragWiderThanHighKeepsTheFirstCornersLeftAndTopEdges)
{
    PressAt(100, 100);
    PressAt(300, 150);
    const double xMin = PlaneX(100);
    const double xMax = PlaneX(300);
    const double yMin = PlaneY(100);
    ExpectView(xMin, xMax, yMin, yMin + (xMax - xMin));
    EXPECT_EQ(InteractionMode, ModeIdle);
    EXPECT_FALSE(form->Area()->IsLineVisible());
    EXPECT_TRUE(form->Mangify()->isEnabled()) << "a magnified view can be magnified again";
    EXPECT_TRUE(form->Trace()->isEnabled());
    EXPECT_EQ(View.XStep, (View.XMax - View.XMin) / 400) << "the render recomputes the steps";
}

TEST_F(MagnificationTest, ADragTallerThanWideGrowsTheWidth)
{
    PressAt(100, 100);
    PressAt(150, 300);
    const double xMin = PlaneX(100);
    const double yMin = PlaneY(100);
    const double yMax = PlaneY(300);
    ExpectView(xMin, xMin + (yMax - yMin), yMin, yMax);
}

TEST_F(MagnificationTest, AnUpLeftDragIsSquaredOnSignedExtentsBeforeOrdering)
{
    PressAt(300, 300);
    PressAt(100, 250);
    // w = -200 steps, h = -50 steps: h is the larger signed value, so the width follows h.
    const double x1 = PlaneX(300);
    const double y1 = PlaneY(300);
    const double y2 = PlaneY(250);
    const double h = y2 - y1;
    ExpectView(x1 + h, x1, y2, y1);
}

TEST_F(MagnificationTest, TwoPressesAtOnePointCollapseTheViewToAUniformPicture)
{
    PressAt(200, 200);
    PressAt(200, 200);
    EXPECT_EQ(View.XMin, View.XMax);
    EXPECT_EQ(View.YMin, View.YMax);
    const std::int32_t first = ColorGrid[0][0];
    for (int x = 0; x < PictureSide; ++x) {
        for (int y = 0; y < PictureSide; ++y)
            ASSERT_EQ(ColorGrid[x][y], first) << "(" << x << ", " << y << ")";
    }
}

TEST_F(MagnificationTest, TheRedrawUsesTheAccuracySelectedNow)
{
    SelectSeido(2);
    PressAt(10, 10);
    PressAt(390, 390);
    EXPECT_EQ(MaxIterations, 100);
}

TEST_F(MagnificationTest, DrawBetweenTheCornersLeavesTheMagnificationPending)
{
    PressAt(100, 100);
    const double firstX = SelX1;
    Click(form->Draw());
    EXPECT_EQ(InteractionMode, ModeSecondCorner);
    EXPECT_TRUE(form->Area()->IsLineVisible());
    PressAt(300, 300);
    EXPECT_EQ(View.XMin, firstX) << "the first corner keeps its point from before the Draw";
    EXPECT_EQ(InteractionMode, ModeIdle);
}

TEST_F(MagnificationTest, APendingMagnificationSurvivesATraceAndKeepsTheOutline)
{
    PressAt(100, 100);
    Click(form->Trace());
    const Grid outline = OutlineGrid;
    PressAt(200, 200);
    EXPECT_EQ(InteractionMode, ModeIdle);
    EXPECT_EQ(View.XMin, PlaneX(100));
    EXPECT_EQ(OutlineGrid, outline) << "a render leaves the traced outline alone";
    EXPECT_NE(form->Area()->Pixel(0, 0), OutlineWhite) << "the new picture replaced the outline on screen";
}

TEST_F(MagnificationTest, PressesDoNothingOnceMagnifyIsUnavailable)
{
    Click(form->Trace());
    const ViewRect before = View;
    PressAt(100, 100);
    PressAt(200, 200);
    EXPECT_EQ(InteractionMode, ModeIdle);
    EXPECT_FALSE(form->Area()->IsLineVisible());
    EXPECT_EQ(View.XMin, before.XMin);
    EXPECT_EQ(View.YMax, before.YMax);
}

TEST_F(MagnificationTest, EachClickConvertsInTheViewOnTheScreen)
{
    PressAt(0, 0);
    PressAt(200, 200);  // now the view is the top-left quarter
    const double step = (View.XMax - View.XMin) / 400;
    PressAt(400, 0);
    EXPECT_EQ(SelX1, 400 * step + View.XMin);
}
