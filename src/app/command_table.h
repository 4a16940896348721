#pragma once

#include <array>
#include <optional>

// Which commands the window offers. Quit is always offered.
struct Commands
{
    bool draw = false;
    bool magnify = false;
    bool trace = false;
    bool compose = false;
    bool stopMusic = false;
    // Offered where a view is on screen and there is one to go back to.
    bool back = false;
    // Draws the view on screen again, at the accuracy now chosen.
    bool redraw = false;
    // Leaves the wait for a start point, or a pending first corner.
    bool cancel = false;
    // Offered once there is a picture, and once a piece has been composed.
    bool savePicture = false;
    bool exportMelody = false;
    // The wheel, + and -, and a drag with the right or middle button or
    // Ctrl+arrows: each a magnification Back returns from.
    bool zoom = false;
    bool pan = false;
    // Pause while a piece plays, Resume while it is paused.
    bool pause = false;
    // Step Forward and Step Back, while a piece is paused.
    bool step = false;

    friend bool operator==(const Commands&, const Commands&) = default;
};

// Where the session stands. Each state fixes what the window offers and
// what a press on the picture means.
enum class State {
    Ready,             // nothing drawn yet
    Drawn,             // a picture; a press sets the first corner of a magnification
    CornerSet,         // the first corner is set; the next press magnifies
    Traced,            // the outline is shown; Compose is next
    TracedCornerSet,   // traced while a first corner was pending; a press still magnifies
    ChoosingStart,     // waiting for a press on the outline
    StartMissed,       // still waiting, after a press or a walk found nothing to play
    Playing,
    Played,            // a piece ended or was stopped; its walk is on screen
    Rendering,         // a picture is being drawn; Cancel brings back the one before
    Paused,            // a piece holds still, silent; it steps, resumes or stops
};

enum class PressMeaning { Nothing, FirstCorner, SecondCorner, StartPoint };

struct StateRow
{
    State state;
    Commands offered;
    PressMeaning press = PressMeaning::Nothing;
    // Where each input leads; none where the input is not offered or not meant.
    std::optional<State> afterDraw = std::nullopt;
    std::optional<State> afterTrace = std::nullopt;
    std::optional<State> afterCompose = std::nullopt;
    std::optional<State> afterBack = std::nullopt;
    std::optional<State> afterRedraw = std::nullopt;
    std::optional<State> afterCancel = std::nullopt;
    // After the press's work completes: a magnification, or a walk that plays.
    std::optional<State> afterPress = std::nullopt;
    // After a press that finds nothing to play, and after a failed walk.
    std::optional<State> afterMiss = std::nullopt;
    // After Stop Music, or the tick that ends the piece.
    std::optional<State> afterStop = std::nullopt;
    // A second corner whose view no place could keep is refused.
    std::optional<State> afterRefusedPress = std::nullopt;
    // A left drag's release where its press set the first corner: the second corner.
    std::optional<State> afterDragRelease = std::nullopt;
    std::optional<State> afterZoom = std::nullopt;
    std::optional<State> afterPan = std::nullopt;
    // Pause while playing, or Resume while paused.
    std::optional<State> afterPause = std::nullopt;
    // Cancel returns to the state, view and picture from before, whatever they were.
    bool cancelRestoresPrevious = false;
};

// Every state but Playing and Paused offers a way back to a fresh picture, and every
// state with a view on screen can draw it again, go back a view, or zoom
// and pan it to a colour picture of the new view. A press
// that finds nothing to play leads to StartMissed, which differs from
// ChoosingStart only in how it came about. Quit ends the session from any
// state.
inline constexpr std::array<StateRow, 11> StateTable{{
    {.state = State::Ready, .offered = {.draw = true}, .afterDraw = State::Drawn},
    {.state = State::Drawn,
     .offered = {.draw = true, .magnify = true, .trace = true, .back = true, .redraw = true, .zoom = true, .pan = true},
     .press = PressMeaning::FirstCorner,
     .afterDraw = State::Drawn, .afterTrace = State::Traced, .afterBack = State::Drawn,
     .afterRedraw = State::Drawn, .afterPress = State::CornerSet, .afterZoom = State::Drawn, .afterPan = State::Drawn},
    // Draw keeps the pending corner; Back, Redraw, a zoom, a pan and Cancel let it go.
    {.state = State::CornerSet,
     .offered = {.draw = true, .magnify = true, .trace = true, .back = true, .redraw = true, .cancel = true,
                 .zoom = true, .pan = true},
     .press = PressMeaning::SecondCorner,
     .afterDraw = State::CornerSet, .afterTrace = State::TracedCornerSet, .afterBack = State::Drawn,
     .afterRedraw = State::Drawn, .afterCancel = State::Drawn, .afterPress = State::Drawn,
     .afterRefusedPress = State::Drawn, .afterDragRelease = State::Drawn, .afterZoom = State::Drawn,
     .afterPan = State::Drawn},
    // Redraw returns from the outline to the colour picture.
    {.state = State::Traced,
     .offered = {.draw = true, .compose = true, .back = true, .redraw = true, .zoom = true, .pan = true},
     .afterDraw = State::Drawn, .afterCompose = State::ChoosingStart, .afterBack = State::Drawn,
     .afterRedraw = State::Drawn, .afterZoom = State::Drawn, .afterPan = State::Drawn},
    // The press still completes the magnification; its colour picture is
    // then on screen, so what is offered is what follows any magnification.
    {.state = State::TracedCornerSet,
     .offered = {.draw = true, .compose = true, .back = true, .redraw = true, .cancel = true, .zoom = true,
                 .pan = true},
     .press = PressMeaning::SecondCorner,
     .afterDraw = State::CornerSet, .afterCompose = State::ChoosingStart, .afterBack = State::Drawn,
     .afterRedraw = State::Drawn, .afterCancel = State::Traced, .afterPress = State::Drawn,
     .afterRefusedPress = State::Traced, .afterDragRelease = State::Drawn, .afterZoom = State::Drawn,
     .afterPan = State::Drawn},
    {.state = State::ChoosingStart,
     .offered = {.draw = true, .back = true, .redraw = true, .cancel = true, .zoom = true, .pan = true},
     .press = PressMeaning::StartPoint,
     .afterDraw = State::Drawn, .afterBack = State::Drawn, .afterRedraw = State::Drawn,
     .afterCancel = State::Traced, .afterPress = State::Playing, .afterMiss = State::StartMissed,
     .afterZoom = State::Drawn, .afterPan = State::Drawn},
    {.state = State::StartMissed,
     .offered = {.draw = true, .back = true, .redraw = true, .cancel = true, .zoom = true, .pan = true},
     .press = PressMeaning::StartPoint,
     .afterDraw = State::Drawn, .afterBack = State::Drawn, .afterRedraw = State::Drawn,
     .afterCancel = State::Traced, .afterPress = State::Playing, .afterMiss = State::StartMissed,
     .afterZoom = State::Drawn, .afterPan = State::Drawn},
    {.state = State::Playing, .offered = {.stopMusic = true, .pause = true}, .afterStop = State::Played,
     .afterPause = State::Paused},
    // Compose again plays another start point on the same outline.
    {.state = State::Played,
     .offered = {.draw = true, .compose = true, .back = true, .redraw = true, .zoom = true, .pan = true},
     .afterDraw = State::Drawn, .afterCompose = State::ChoosingStart, .afterBack = State::Drawn,
     .afterRedraw = State::Drawn, .afterZoom = State::Drawn, .afterPan = State::Drawn},
    // Draw, Back, Redraw and a magnification pass through here; the state
    // they lead to follows when the picture is complete.
    {.state = State::Rendering, .offered = {.cancel = true}, .cancelRestoresPrevious = true},
    // Steps move the piece's position; Resume plays on from it.
    {.state = State::Paused, .offered = {.stopMusic = true, .pause = true, .step = true}, .afterStop = State::Played,
     .afterPause = State::Playing},
}};

constexpr const StateRow& RowOf(State state)
{
    return StateTable[static_cast<std::size_t>(state)];
}

// The table is indexed by state; keep its rows in the enum's order. Every
// offered command, and every press that means something, says where it
// leads; a drag's release completes a magnification exactly where a press would.
static_assert([] {
    for (std::size_t i = 0; i < StateTable.size(); ++i) {
        const StateRow& row = StateTable[i];
        const Commands& on = row.offered;
        if (static_cast<std::size_t>(row.state) != i || (on.draw && !row.afterDraw) || (on.trace && !row.afterTrace)
            || (on.compose && !row.afterCompose) || (on.back && !row.afterBack) || (on.redraw && !row.afterRedraw)
            || (on.cancel && !row.afterCancel && !row.cancelRestoresPrevious) || (on.stopMusic && !row.afterStop)
            || (row.press != PressMeaning::Nothing && !row.afterPress)
            || (row.press == PressMeaning::StartPoint && !row.afterMiss)
            || (row.press == PressMeaning::SecondCorner && !row.afterRefusedPress)
            || ((row.press == PressMeaning::SecondCorner) != row.afterDragRelease.has_value())
            || (on.zoom && !row.afterZoom) || (on.pan && !row.afterPan) || (on.pause != row.afterPause.has_value()))
            return false;
    }
    return true;
}());
