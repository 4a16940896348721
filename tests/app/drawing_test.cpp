#include "controller_rig.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace {

using namespace app_test;

// Plane coordinates of a picture position in the whole view, -2..0.7 by -1.4..1.3.
double WholeX(double x) { return -2.0 + x * 2.7 / 400; }
double WholeY(double y) { return -1.4 + y * 2.7 / 400; }

void ExpectView(const fractal::View& view, double xMin, double xMax, double yMin, double yMax)
{
    EXPECT_DOUBLE_EQ(view.xMin, xMin) << "left edge";
    EXPECT_DOUBLE_EQ(view.xMax, xMax) << "right edge";
    EXPECT_DOUBLE_EQ(view.yMin, yMin) << "top edge";
    EXPECT_DOUBLE_EQ(view.yMax, yMax) << "bottom edge";
}

// Magnifies the top-left quarter of the whole view, -2..-0.65 by -1.4..-0.05.
void MagnifyTopLeftQuarter(Controller& controller)
{
    controller.Press(0, 0);
    controller.Press(200, 200);
}

long ColouredPixels(const Picture& picture)
{
    return std::ranges::count_if(picture.Pixels(), [](fractal::Colour c) { return c != Black; });
}

} // namespace

TEST(ControllerAtStart, OffersOnlyDrawAndHasABlackPictureOfTheWholeViewAndNoLimitYet)
{
    ControllerRig rig;
    const Controller& c = rig.controller;
    EXPECT_EQ(c.CurrentState(), State::Ready);
    EXPECT_EQ(rig.Offered(), "Draw") << "only Draw, besides Quit";
    EXPECT_EQ(c.MaxIterations(), 0) << "no iteration limit before the first render";
    EXPECT_EQ(c.LengthText(), "400");
    EXPECT_EQ(c.Progress(), 0.0f);
    EXPECT_FALSE(c.CurrentRubberBand().visible);
    EXPECT_FALSE(c.Timer().IsEnabled());
    ExpectView(c.CurrentView(), -2.0, 0.7, -1.4, 1.3);
    EXPECT_EQ(ColouredPixels(c.CurrentPicture()), 0) << "the picture starts black";
}

TEST(ControllerPictureSize, TakesEffectWithTheNextRenderAndAPlaceOpensAtItsOwn)
{
    ControllerRig rig;
    rig.controller.SetPictureSide(800);
    EXPECT_EQ(rig.controller.CurrentPicture().CellsPerSide(), 400) << "the picture on screen stays until the next";
    rig.controller.Draw();
    EXPECT_EQ(rig.controller.CurrentPicture().CellsPerSide(), 800);
    Place place;
    place.view = fractal::DeepView().WithSide(600);
    rig.controller.OpenPlace(place);
    EXPECT_EQ(rig.controller.PictureSide(), 600) << "a place chooses its size for the next pictures too";
}

TEST(ControllerPalette, RecoloursThePictureAtOnceAndLeavesTheOutlineTheWalkAndThePieceAsInClassic)
{
    ControllerRig classic, sunset;
    classic.controller.Draw();
    sunset.controller.Draw();
    const std::vector<fractal::Colour> drawn = classic.controller.CurrentPicture().Pixels();
    sunset.renderer.HoldRenders(true);
    sunset.controller.SetPalette(fractal::Palette::Sunset);
    EXPECT_FALSE(sunset.renderer.Holding()) << "nothing is drawn again";
    const std::vector<fractal::Colour>& shown = sunset.controller.CurrentPicture().Pixels();
    for (std::size_t i = 0; i < drawn.size(); ++i)
        ASSERT_EQ(shown[i] == Black, drawn[i] == Black) << "black exactly inside the set, pixel " << i;
    EXPECT_NE(shown, drawn);
    EXPECT_EQ(sunset.controller.CurrentPlace().palette, fractal::Palette::Sunset);
    sunset.controller.SetPalette(fractal::Palette::Classic);
    EXPECT_EQ(shown, drawn) << "Classic brings back the seven colours exactly";

    sunset.renderer.HoldRenders(false);
    sunset.controller.SetPalette(fractal::Palette::Sunset);
    classic.StartPiece();
    sunset.StartPiece();
    ASSERT_EQ(sunset.controller.CurrentState(), State::Playing);
    EXPECT_EQ(sunset.controller.Outline(), classic.controller.Outline());
    EXPECT_EQ(sunset.controller.CurrentPicture().Pixels(), classic.controller.CurrentPicture().Pixels());
    EXPECT_EQ(sunset.controller.Piece(), classic.controller.Piece());
}

TEST(ControllerAccuracy, TakesEffectWithTheNextRenderWhereAnUnknownIndexKeepsTheLimit)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    c.Draw();
    EXPECT_EQ(c.MaxIterations(), 50) << "the list starts on the middle entry";
    long coloured = 0;
    int previous = 50;
    // Automatic, at the whole set, gives 100.
    for (const auto& [index, limit] :
         {std::pair{0, 10}, {2, 100}, {1, 50}, {3, 1000}, {7, 100}, {8, 100}, {-1, 100}}) {
        c.SetAccuracy(index);
        EXPECT_EQ(c.MaxIterations(), previous) << "index " << index << " before the render";
        c.Draw();
        EXPECT_EQ(c.MaxIterations(), limit) << "index " << index << " after the render";
        if (index == 2) {
            EXPECT_GT(ColouredPixels(c.CurrentPicture()), coloured) << "points escaping after 10 iterations show at 100";
        }
        coloured = ColouredPixels(c.CurrentPicture());
        previous = limit;
    }
}

TEST(ControllerAccuracy, AutomaticGivesThreeHundredMoreIterationsForEachTenfoldMagnification)
{
    const auto around = [](double width) { return fractal::DeepView({-0.75, -0.75 + width, 0.1, 0.1 + width}); };
    EXPECT_EQ(AutomaticIterations(fractal::DeepView()), 100);
    EXPECT_EQ(AutomaticIterations(around(27.0)), 100) << "wider than the whole set: no fewer";
    EXPECT_NEAR(AutomaticIterations(around(2.7e-3)), 1000, 1);
    EXPECT_NEAR(AutomaticIterations(around(2.7e-12)), 3700, 1);
    EXPECT_EQ(AutomaticIterations(around(0.0)), 1'000'000) << "a collapsed view: the most";
}

TEST(ControllerProgress, StartsAtZeroAndRisesAQuarterPerCentPerColumnInEveryRenderAndTrace)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    c.SetAccuracy(0);
    std::vector<float> expected{0.0f};
    for (int x = 0; x < 400; ++x)
        expected.push_back(static_cast<float>(x) * 0.25f);

    const std::pair<const char*, std::function<void()>> actions[] = {
        {"Draw", [&c] { c.Draw(); }},
        {"a magnification", [&c] { MagnifyTopLeftQuarter(c); }},
        {"Trace", [&c] { c.Trace(); }},
    };
    for (const auto& [name, action] : actions) {
        QSignalSpy spy(&c, &Controller::progressChanged);
        action();
        std::vector<float> values;
        for (const QList<QVariant>& arguments : spy)
            values.push_back(arguments.at(0).toFloat());
        EXPECT_EQ(values, expected) << name;
        EXPECT_EQ(c.Progress(), 99.75f) << name << " leaves the last column's value";
    }
}

TEST(ControllerMagnification, MagnifyOnlyExplainsAndALineRunsFromTheFirstCornerToThePointerUntilTheSecond)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    c.Draw();
    QSignalSpy bandChanges(&c, &Controller::rubberBandChanged);
    QSignalSpy pictureChanges(&c, &Controller::pictureChanged);
    c.ExplainMagnify();
    EXPECT_EQ(rig.messages, std::vector<QString>{MagnifyHint});
    EXPECT_EQ(c.CurrentState(), State::Drawn) << "the command only explains";
    EXPECT_EQ(pictureChanges.count(), 0) << "nothing is redrawn";
    c.Move(50, 50);
    EXPECT_EQ(bandChanges.count(), 0) << "a move before the first corner draws nothing";
    EXPECT_FALSE(c.CurrentRubberBand().visible);

    c.Press(100.5f, 50.25f);
    EXPECT_EQ(c.CurrentState(), State::CornerSet);
    EXPECT_TRUE(c.CurrentRubberBand().visible);
    EXPECT_EQ(c.CurrentRubberBand().start, QPointF(100.5, 50.25));
    EXPECT_EQ(c.CurrentRubberBand().end, QPointF(100.5, 50.25)) << "the line starts as a point";

    c.Move(220, 130);
    c.Move(250.5f, 140);
    EXPECT_EQ(c.CurrentRubberBand().start, QPointF(100.5, 50.25));
    EXPECT_EQ(c.CurrentRubberBand().end, QPointF(250.5, 140)) << "the line ends at the last move";

    c.Press(300, 150);
    EXPECT_FALSE(c.CurrentRubberBand().visible) << "the second corner removes the line";
    const int changesSoFar = bandChanges.count();
    c.Move(10, 10);
    EXPECT_EQ(bandChanges.count(), changesSoFar) << "moves after the magnification draw nothing";
}

TEST(ControllerMagnification, TheSecondCornerRedrawsTheSquaredRegionAtTheAccuracySelectedThen)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    c.SetAccuracy(0);
    c.Draw();
    EXPECT_EQ(c.CurrentPicture().At(399, 399), Blue) << "0.69 + 1.29i escapes after one iteration";
    c.Press(0, 0);
    c.SetAccuracy(2);
    c.Press(200, 100);
    // Wider than high: the height grows from the first corner to make a square.
    ExpectView(c.CurrentView(), -2.0, WholeX(200), -1.4, -1.4 + (WholeX(200) - -2.0));
    EXPECT_EQ(c.CurrentState(), State::Drawn);
    EXPECT_EQ(c.MaxIterations(), 100);
    EXPECT_EQ(c.CurrentPicture().At(0, 0), Red) << "-2 - 1.4i escapes at once";
    EXPECT_EQ(c.CurrentPicture().At(399, 399), Black) << "-0.65 - 0.05i is in the main cardioid";
}

TEST(ControllerMagnification, DrawBetweenTheCornersKeepsTheFirstCornerWhereItWasPressed)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    c.Draw();
    MagnifyTopLeftQuarter(c);
    c.Press(200, 100);  // -1.325 - 1.0625i in the quarter
    c.Draw();
    EXPECT_EQ(c.CurrentState(), State::CornerSet) << "the magnification is still pending";
    EXPECT_TRUE(c.CurrentRubberBand().visible);
    ExpectView(c.CurrentView(), -2.0, 0.7, -1.4, 1.3);

    c.Press(400, 400);  // 0.7 + 1.3i in the whole view
    // Taller than wide: the width grows from the first corner.
    ExpectView(c.CurrentView(), -1.325, -1.325 + (1.3 - -1.0625), -1.0625, 1.3);
}

TEST(ControllerMagnification, TraceBetweenTheCornersLetsThePressStillMagnifyIntoAPictureToTraceAgain)
{
    ControllerRig rig;
    Controller& c = rig.controller;
    c.Draw();
    c.Press(0, 0);
    c.Trace();
    EXPECT_EQ(c.CurrentState(), State::TracedCornerSet);
    EXPECT_EQ(c.CurrentPicture().At(0, 0), White) << "the trace shows the frame";
    const fractal::OutlineGrid outline = c.Outline();

    c.Press(200, 200);
    ExpectView(c.CurrentView(), -2.0, WholeX(200), -1.4, WholeY(200));
    EXPECT_EQ(c.CurrentState(), State::Drawn);
    EXPECT_EQ(rig.Offered(), "Draw Magnify Back Redraw Trace SavePicture")
        << "the magnified colour picture is on screen, so it is traced next, not the old outline composed";
    EXPECT_EQ(c.CurrentPicture().At(0, 0), Red) << "the new picture replaced the outline on screen";
    c.Trace();
    EXPECT_FALSE(c.Outline() == outline) << "the walk follows the outline of the picture on screen";
}

namespace {

// A hand-written place far beyond the set is drawn as escaped, with a
// readout of sensible length instead of infinities or hundreds of digits.
TEST(ControllerReadout, AViewBeyondTheRangeOfDoublesReadsInPowersOfTen)
{
    ControllerRig rig;
    Place place;
    place.view = *fractal::DeepView::FromText({"1e400", "5e400", "-1e400", "3e400"});
    rig.controller.OpenPlace(place);
    EXPECT_EQ(rig.controller.ViewReadout(),
              QStringLiteral("Centre 3.00 × 10^400 + 1.00 × 10^400i, width 4.00 × 10^400, 100 iterations"));
    EXPECT_EQ(ColouredPixels(rig.controller.CurrentPicture()), 400 * 400);
}

} // namespace
