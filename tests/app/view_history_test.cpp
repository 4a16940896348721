#include "controller_rig.h"
#include "render.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <variant>

namespace {

using app_test::ControllerRig;

const QString CannotMagnifyFurther =
    QStringLiteral("This view cannot be magnified any further: it is as deep as a place can keep.");

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

} // namespace

// Every view on screen can be kept as a place and read back: a magnification
// past the deepest place is refused, and the view and its history stay.
TEST(ViewHistory, MagnificationStopsAtTheDeepestViewAPlaceCanKeep)
{
    ControllerRig rig;
    rig.controller.SetAccuracy(0);
    const auto corner = [](const char* text) { return *fractal::BigFloat::Parse(text, 33'000); };
    const fractal::BigFloat width = corner("1e-9900");
    rig.controller.OpenView(fractal::DeepView(corner("-0.75"), corner("-0.75") + width, corner("0.1"),
                                              corner("0.1") + width),
                            10, 400, std::nullopt);
    for (int step = 0; rig.messages.empty(); ++step) {
        ASSERT_LT(step, 20) << "two-pixel boxes never reached the limit";
        const Place kept = rig.controller.CurrentPlace();
        const PlaceReading read = ReadPlace(PlaceToJson(kept));
        ASSERT_TRUE(std::holds_alternative<Place>(read)) << "step " << step << ": "
            << PlaceFailureMessage(std::get<PlaceFailure>(read)).toStdString();
        EXPECT_EQ(std::get<Place>(read).view, kept.view) << "step " << step;
        const std::size_t depth = rig.controller.History().size();
        Magnify(rig.controller, 200, 200, 202, 202);
        if (!rig.messages.empty()) {
            EXPECT_EQ(rig.controller.CurrentDeepView(), kept.view) << "the refused view is not drawn";
            EXPECT_EQ(rig.controller.History().size(), depth);
            EXPECT_EQ(rig.controller.CurrentState(), State::Drawn);
            EXPECT_FALSE(rig.controller.CurrentRubberBand().visible);
        }
    }
    EXPECT_EQ(rig.messages, std::vector<QString>{CannotMagnifyFurther});

    // With the outline on screen the outline stays, ready to compose.
    rig.controller.Press(200, 200);
    rig.controller.Trace();
    rig.controller.Press(202, 202);
    EXPECT_EQ(rig.controller.CurrentState(), State::Traced);
    EXPECT_EQ(rig.messages.size(), 2u);
}
