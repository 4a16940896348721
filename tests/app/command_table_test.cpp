#include "controller_rig.h"
#include "render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace app_test;

// Every input the window passes on, by the name a user knows it by. The
// press lies on the frame of the whole view's outline, so it can start a walk.
const std::pair<std::string, std::function<void(Controller&)>> Inputs[] = {
    {"Draw", [](Controller& c) { c.Draw(); }},
    {"Magnify", [](Controller& c) { c.ExplainMagnify(); }},
    {"Back", [](Controller& c) { c.Back(); }},
    {"Redraw", [](Controller& c) { c.Redraw(); }},
    {"Cancel", [](Controller& c) { c.Cancel(); }},
    {"Trace", [](Controller& c) { c.Trace(); }},
    {"Compose", [](Controller& c) { c.Compose(); }},
    {"Stop", [](Controller& c) { c.StopMusic(); }},
    {"a press", [](Controller& c) { c.Press(398, 0); }},
    {"a move", [](Controller& c) { c.Move(250, 250); }},
    {"a wheel notch", [](Controller& c) { c.Zoom(100, 300, 2.0); }},
    {"a pan", [](Controller& c) { c.Pan(30, -20); }},
    {"a drag's release", [](Controller& c) { c.Release(300, 300); }},
    {"a timer tick", [](Controller& c) { c.Tick(); }},
    {"Pause", [](Controller& c) { c.Pause(); }},
    {"Resume", [](Controller& c) { c.Resume(); }},
    {"a step forward", [](Controller& c) { c.StepForward(); }},
    {"a step back", [](Controller& c) { c.StepBack(); }},
};

// Everything of the session a user could see or hear change.
struct Observation
{
    State state;
    std::string offered;
    std::vector<fractal::Colour> pixels;
    std::vector<QString> messages;
    std::size_t midiCalls;
    fractal::View view;
    std::size_t history;
    RubberBand band;
    float progress;
    std::vector<std::uint8_t> melody;
    int position;
    std::optional<fractal::Cell> playhead;
    bool timerEnabled;
    fractal::OutlineGrid outline;
    QString lengthText;
};

Observation Observe(const ControllerRig& rig)
{
    const Controller& c = rig.controller;
    return {c.CurrentState(), rig.Offered(), c.CurrentPicture().Pixels(), rig.messages, rig.output.Calls().size(),
            c.CurrentView(), c.History().size(), c.CurrentRubberBand(), c.Progress(), c.Melody(), c.Player().Position(),
            c.Playhead(), c.Timer().IsEnabled(), c.Outline(), c.LengthText()};
}

std::string ChangedParts(const Observation& a, const Observation& b)
{
    std::string changed;
    const auto note = [&changed](bool same, const char* part) {
        if (!same)
            changed.append(part).append(" ");
    };
    note(a.state == b.state, "state");
    note(a.offered == b.offered, "offered");
    note(a.pixels == b.pixels, "picture");
    note(a.messages == b.messages, "messages");
    note(a.midiCalls == b.midiCalls, "MIDI");
    note(a.view == b.view && a.history == b.history, "view");
    note(a.band.visible == b.band.visible && a.band.start == b.band.start && a.band.end == b.band.end, "band");
    note(a.progress == b.progress, "progress");
    note(a.melody == b.melody && a.position == b.position && a.playhead == b.playhead, "melody");
    note(a.timerEnabled == b.timerEnabled, "timer");
    note(a.outline == b.outline, "outline");
    note(a.lengthText == b.lengthText, "length");
    return changed;
}

using Steps = std::function<void(ControllerRig&)>;

struct StateCase
{
    const char* name;
    Steps reach;
    std::optional<State> state;
    std::string offered;
    // The inputs that act here and where each leads; every other input changes nothing.
    std::vector<std::pair<std::string, State>> acting;
};

Steps Then(Steps first, Steps next)
{
    return [=](ControllerRig& rig) {
        first(rig);
        next(rig);
    };
}

} // namespace

TEST(CommandTable, EachStateOffersWhatAUserExpectsAndEveryOtherInputChangesNothing)
{
    const Steps start = [](ControllerRig&) {};
    const Steps drawn = [](ControllerRig& rig) {
        rig.controller.SetAccuracy(0);
        rig.controller.Draw();
    };
    const Steps cornerSet = Then(drawn, [](ControllerRig& rig) { rig.controller.Press(100, 100); });
    const Steps magnified = Then(cornerSet, [](ControllerRig& rig) { rig.controller.Press(300, 300); });
    const Steps magnifiedCornerSet = Then(magnified, [](ControllerRig& rig) { rig.controller.Press(100, 100); });
    const Steps traced = Then(drawn, [](ControllerRig& rig) { rig.controller.Trace(); });
    const Steps tracedCornerSet = Then(cornerSet, [](ControllerRig& rig) { rig.controller.Trace(); });
    const Steps choosing = Then(traced, [](ControllerRig& rig) { rig.controller.Compose(); });
    const Steps missed = Then(choosing, [](ControllerRig& rig) { rig.controller.Press(200, 200); });
    const Steps playing = [](ControllerRig& rig) { rig.StartPiece(); };
    const Steps stopped = Then(playing, [](ControllerRig& rig) { rig.controller.StopMusic(); });
    const Steps paused = Then(playing, [](ControllerRig& rig) {
        rig.controller.Tick();
        rig.controller.Tick();
        rig.controller.Pause();
    });
    const Steps quit = Then(drawn, [](ControllerRig& rig) { rig.controller.Quit(); });

    const Steps magnifiedTraced = Then(magnified, [](ControllerRig& rig) { rig.controller.Trace(); });

    const StateCase cases[] = {
        {"at start", start, State::Ready, "Draw", {{"Draw", State::Drawn}}},
        {"drawn", drawn, State::Drawn, "Draw Magnify Redraw Trace SavePicture",
         {{"Draw", State::Drawn}, {"Magnify", State::Drawn}, {"Redraw", State::Drawn}, {"Trace", State::Traced},
          {"a press", State::CornerSet}, {"a wheel notch", State::Drawn}, {"a pan", State::Drawn}}},
        // Draw keeps the pending corner; Redraw, like Back, lets it go.
        {"first corner set", cornerSet, State::CornerSet, "Draw Magnify Redraw Cancel Trace SavePicture",
         {{"Draw", State::CornerSet}, {"Magnify", State::CornerSet}, {"Redraw", State::Drawn},
          {"Trace", State::TracedCornerSet}, {"a press", State::Drawn}, {"a move", State::CornerSet},
          {"Cancel", State::Drawn}, {"a wheel notch", State::Drawn}, {"a pan", State::Drawn},
          {"a drag's release", State::Drawn}}},
        {"magnified", magnified, State::Drawn, "Draw Magnify Back Redraw Trace SavePicture",
         {{"Draw", State::Drawn}, {"Magnify", State::Drawn}, {"Back", State::Drawn}, {"Redraw", State::Drawn},
          {"Trace", State::Traced}, {"a press", State::CornerSet}, {"a wheel notch", State::Drawn},
          {"a pan", State::Drawn}}},
        {"magnified with a first corner set", magnifiedCornerSet, State::CornerSet,
         "Draw Magnify Back Redraw Cancel Trace SavePicture",
         {{"Draw", State::CornerSet}, {"Magnify", State::CornerSet}, {"Back", State::Drawn}, {"Redraw", State::Drawn},
          {"Trace", State::TracedCornerSet}, {"a press", State::Drawn}, {"a move", State::CornerSet},
          {"Cancel", State::Drawn}, {"a wheel notch", State::Drawn}, {"a pan", State::Drawn},
          {"a drag's release", State::Drawn}}},
        {"traced", traced, State::Traced, "Draw Redraw Compose SavePicture",
         {{"Draw", State::Drawn}, {"Redraw", State::Drawn}, {"Compose", State::ChoosingStart},
          {"a wheel notch", State::Drawn}, {"a pan", State::Drawn}}},
        {"traced after a magnification", magnifiedTraced, State::Traced, "Draw Back Redraw Compose SavePicture",
         {{"Draw", State::Drawn}, {"Back", State::Drawn}, {"Redraw", State::Drawn}, {"Compose", State::ChoosingStart},
          {"a wheel notch", State::Drawn}, {"a pan", State::Drawn}}},
        {"traced with a first corner pending", tracedCornerSet, State::TracedCornerSet,
         "Draw Redraw Cancel Compose SavePicture",
         {{"Draw", State::CornerSet}, {"Redraw", State::Drawn}, {"Compose", State::ChoosingStart},
          {"a press", State::Drawn}, {"a move", State::TracedCornerSet}, {"Cancel", State::Traced},
          {"a wheel notch", State::Drawn}, {"a pan", State::Drawn}, {"a drag's release", State::Drawn}}},
        {"choosing a start point", choosing, State::ChoosingStart, "Draw Redraw Cancel SavePicture",
         {{"Draw", State::Drawn}, {"Redraw", State::Drawn}, {"Cancel", State::Traced}, {"a press", State::Playing},
          {"a wheel notch", State::Drawn}, {"a pan", State::Drawn}}},
        {"after a press off the outline", missed, State::StartMissed, "Draw Redraw Cancel SavePicture",
         {{"Draw", State::Drawn}, {"Redraw", State::Drawn}, {"Cancel", State::Traced}, {"a press", State::Playing},
          {"a wheel notch", State::Drawn}, {"a pan", State::Drawn}}},
        {"playing", playing, State::Playing, "Stop SavePicture ExportMelody Pause",
         {{"Stop", State::Played}, {"a timer tick", State::Playing}, {"Pause", State::Paused}}},
        // The steps act where there is a step to go to: the piece is at step 2.
        {"paused", paused, State::Paused, "Stop SavePicture ExportMelody Pause Step",
         {{"Stop", State::Played}, {"Resume", State::Playing}, {"a step forward", State::Paused},
          {"a step back", State::Paused}}},
        {"after a piece was stopped", stopped, State::Played, "Draw Redraw Compose SavePicture ExportMelody",
         {{"Draw", State::Drawn}, {"Redraw", State::Drawn}, {"Compose", State::ChoosingStart},
          {"a wheel notch", State::Drawn}, {"a pan", State::Drawn}}},
        {"after Quit", quit, std::nullopt, "", {}},
    };

    for (const StateCase& row : cases) {
        ControllerRig rig;
        row.reach(rig);
        if (row.state) {
            EXPECT_EQ(rig.controller.CurrentState(), *row.state) << row.name;
        }
        EXPECT_EQ(rig.Offered(), row.offered) << row.name << ": the commands on offer";

        for (const auto& [inputName, apply] : Inputs) {
            ControllerRig fresh;
            row.reach(fresh);
            const Observation before = Observe(fresh);
            apply(fresh.controller);
            const auto acting = std::ranges::find(row.acting, inputName, &std::pair<std::string, State>::first);
            if (acting != row.acting.end()) {
                EXPECT_EQ(fresh.controller.CurrentState(), acting->second) << row.name << ", then " << inputName;
            } else {
                EXPECT_EQ(ChangedParts(before, Observe(fresh)), "")
                    << row.name << ": " << inputName << " is not offered, so it must change nothing";
            }
        }
    }
}

// A left drag's release is the second corner its press needed, and a wheel
// notch and a pan each keep the view they replace for Back.
TEST(CommandTable, ADragMagnifiesAsTwoClicksAndEveryGesturePushesTheViewItReplaces)
{
    ControllerRig clicks, drag;
    for (ControllerRig* rig : {&clicks, &drag}) {
        rig->controller.SetAccuracy(0);
        rig->controller.Draw();
        rig->controller.Press(120, 80);
    }
    clicks.controller.Press(310, 200);
    drag.controller.Move(200, 150);
    drag.controller.Release(310, 200);
    EXPECT_NE(drag.controller.CurrentDeepView(), fractal::DeepView()) << "the drag magnified";
    EXPECT_EQ(drag.controller.CurrentDeepView(), clicks.controller.CurrentDeepView());
    EXPECT_EQ(drag.controller.History(), clicks.controller.History());
    for (const auto gesture : {+[](Controller& c) { c.Zoom(10, 20, 0.5); }, +[](Controller& c) { c.Pan(-5, 7); }}) {
        const fractal::DeepView before = drag.controller.CurrentDeepView();
        gesture(drag.controller);
        EXPECT_NE(drag.controller.CurrentDeepView(), before);
        EXPECT_EQ(drag.controller.History().back(), before) << "Back returns to the view before the gesture";
    }
}

// Draw, Back, Redraw and a magnification each draw in the background; while
// they do, only Cancel acts, and it brings back all the render replaced.
TEST(CommandTable, WhileAPictureIsDrawnOnlyCancelActsAndItBringsBackWhatWasThere)
{
    const Steps drawn = [](ControllerRig& rig) { rig.controller.Draw(); };
    const Steps magnified = Then(drawn, [](ControllerRig& rig) {
        rig.controller.Press(100, 100);
        rig.controller.Press(300, 300);
    });
    const struct
    {
        const char* name;
        Steps reach;
        std::function<void(Controller&)> start;
        State after;
    } renders[] = {
        {"Draw with a corner pending", Then(drawn, [](ControllerRig& rig) { rig.controller.Press(50, 50); }),
         [](Controller& c) { c.Draw(); }, State::CornerSet},
        {"the second corner", Then(magnified, [](ControllerRig& rig) { rig.controller.Press(20, 30); }),
         [](Controller& c) { c.Press(380, 390); }, State::Drawn},
        {"Back from the outline", Then(magnified, [](ControllerRig& rig) { rig.controller.Trace(); }),
         [](Controller& c) { c.Back(); }, State::Drawn},
        {"Redraw after a piece", [](ControllerRig& rig) { rig.StartPiece(); rig.controller.StopMusic(); },
         [](Controller& c) { c.Redraw(); }, State::Drawn},
    };
    for (const auto& render : renders) {
        for (const bool cancel : {true, false}) {
            ControllerRig rig;
            render.reach(rig);
            const Observation before = Observe(rig);
            rig.renderer.HoldRenders(true);
            rig.controller.SetAccuracy(2);
            render.start(rig.controller);
            ASSERT_TRUE(rig.renderer.Holding()) << render.name;
            EXPECT_EQ(rig.controller.CurrentState(), State::Rendering) << render.name;
            EXPECT_EQ(rig.Offered(), "Cancel") << render.name;
            const Observation rendering = Observe(rig);
            for (const auto& [inputName, apply] : Inputs) {
                if (inputName != "Cancel")
                    apply(rig.controller);
            }
            EXPECT_EQ(ChangedParts(rendering, Observe(rig)), "") << render.name << ": only Cancel acts while drawing";
            if (cancel) {
                rig.controller.Cancel();
                EXPECT_EQ(ChangedParts(before, Observe(rig)), "") << render.name << ": Cancel restores everything";
                EXPECT_FALSE(rig.renderer.Holding()) << render.name << ": the render was stopped";
            } else {
                rig.renderer.Release();
                EXPECT_EQ(rig.controller.CurrentState(), render.after) << render.name;
                EXPECT_EQ(rig.controller.MaxIterations(), 100) << render.name << ": the accuracy taken at the start";
                EXPECT_TRUE(rig.controller.Colours() == fractal::Render(rig.controller.CurrentView(), 100))
                    << render.name;
            }
        }
    }
}
