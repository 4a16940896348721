#include "controller_rig.h"
#include "render.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace {

using app_test::ControllerRig;

// Two presses on the picture: a magnification of the current view.
void Magnify(Controller& controller, float x1, float y1, float x2, float y2)
{
    controller.Press(x1, y1);
    controller.Press(x2, y2);
}

TEST(ViewHistory, BackReturnsThroughEachMagnificationAndDrawsAtTheAccuracyNowSelected)
{
    ControllerRig rig;
    rig.controller.Draw();
    EXPECT_FALSE(rig.controller.Offered().back) << "nothing to go back to after Draw";

    Magnify(rig.controller, 100, 100, 200, 180);
    const fractal::View first = rig.controller.CurrentView();
    Magnify(rig.controller, 50, 60, 150, 150);
    EXPECT_EQ(rig.controller.History().size(), 2u);
    EXPECT_TRUE(rig.controller.Offered().back);

    rig.controller.SetAccuracy(0);
    QSignalSpy progress(&rig.controller, &Controller::progressChanged);
    rig.controller.Back();
    EXPECT_EQ(rig.controller.CurrentView(), first);
    EXPECT_EQ(rig.controller.MaxIterations(), 10) << "the accuracy is taken when Back draws";
    EXPECT_EQ(rig.controller.Colours(), fractal::Render(first, 10));
    ASSERT_EQ(progress.count(), 401) << "0, then one value per column, as any render";
    EXPECT_FLOAT_EQ(progress.last().at(0).toFloat(), 99.75f);
    EXPECT_EQ(rig.controller.CurrentState(), State::Drawn);

    rig.controller.Back();
    EXPECT_EQ(rig.controller.CurrentView(), fractal::DefaultView);
    EXPECT_FALSE(rig.controller.Offered().back) << "back at the first view";
    rig.controller.Back();
    EXPECT_EQ(rig.controller.CurrentView(), fractal::DefaultView) << "Back with no history does nothing";
}

TEST(ViewHistory, BackCancelsAPendingFirstCorner)
{
    ControllerRig rig;
    rig.controller.Draw();
    Magnify(rig.controller, 100, 100, 200, 200);
    rig.controller.Press(30, 30);
    ASSERT_TRUE(rig.controller.CurrentRubberBand().visible);

    rig.controller.Back();
    EXPECT_FALSE(rig.controller.CurrentRubberBand().visible);
    EXPECT_EQ(rig.controller.CurrentState(), State::Drawn);
    rig.controller.Press(10, 10);
    EXPECT_EQ(rig.controller.CurrentState(), State::CornerSet) << "the next press is a new first corner";
    EXPECT_EQ(rig.controller.CurrentView(), fractal::DefaultView);
}

TEST(ViewHistory, BackIsOfferedWhereverAViewIsOnScreenAndDrawForgetsTheHistory)
{
    // From the outline and while choosing a start point, Back draws the
    // view before the magnification, in colour.
    const std::pair<const char*, std::function<void(Controller&)>> places[] = {
        {"traced", [](Controller& c) { c.Trace(); }},
        {"choosing a start point", [](Controller& c) { c.Trace(); c.Compose(); }},
    };
    for (const auto& [place, reach] : places) {
        ControllerRig rig;
        rig.controller.Draw();
        Magnify(rig.controller, 100, 100, 200, 200);
        reach(rig.controller);
        EXPECT_TRUE(rig.controller.Offered().back) << place;
        rig.controller.Back();
        EXPECT_EQ(rig.controller.CurrentState(), State::Drawn) << place;
        EXPECT_EQ(rig.controller.CurrentView(), fractal::DefaultView) << place;
        EXPECT_EQ(rig.controller.Colours(), fractal::Render(fractal::DefaultView, 50)) << place;
    }

    ControllerRig fresh;
    fresh.controller.Draw();
    Magnify(fresh.controller, 100, 100, 200, 200);
    fresh.controller.Draw();
    EXPECT_TRUE(fresh.controller.History().empty());
    EXPECT_FALSE(fresh.controller.Offered().back);
}

// Every view on screen can be kept and read back; the view and history stay.
TEST(ViewHistory, MagnificationStopsAtTheDeepestViewAPlaceCanKeep)
{
    ControllerRig rig;
    const auto at = [](const char* text) { return *fractal::BigFloat::Parse(text, 33'000); };
    rig.controller.OpenView(fractal::DeepView(at("-0.75"), at("-0.75") + at("1e-9900"), at("0.1"), at("0.1") + at("1e-9900")),
                            10, 400, {});
    fractal::DeepView kept;
    for (std::size_t depth = 0; rig.messages.empty(); depth = rig.controller.History().size()) {
        kept = rig.controller.CurrentDeepView();
        ASSERT_TRUE(std::holds_alternative<Place>(ReadPlace(PlaceToJson(rig.controller.CurrentPlace())))) << depth;
        Magnify(rig.controller, 200, 200, 202, 202);
        EXPECT_EQ(rig.controller.History().size(), depth + (rig.messages.empty() ? 1 : 0));
    }
    EXPECT_EQ(rig.messages, std::vector<QString>{"This view cannot be magnified any further: it is as deep as a place can keep."});
    EXPECT_EQ(rig.controller.CurrentDeepView(), kept) << "the refused view is not drawn";
    EXPECT_EQ(rig.controller.CurrentState(), State::Drawn);
    rig.controller.Press(200, 200);
    rig.controller.Trace();
    rig.controller.Press(202, 202);
    EXPECT_EQ(rig.controller.CurrentState(), State::Traced);
}

} // namespace
