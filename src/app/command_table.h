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
    // Offered where magnification is and there is a view to go back to.
    bool back = false;
    // Offered once there is a picture, and once a piece has been composed.
    bool savePicture = false;
    bool exportMelody = false;

    friend bool operator==(const Commands&, const Commands&) = default;
};

// Where the session stands. Each state fixes what the window offers and
// what a press on the picture means.
enum class State {
    Ready,             // nothing drawn yet, or a piece has just ended
    Drawn,             // a picture; a press sets the first corner of a magnification
    CornerSet,         // the first corner is set; the next press magnifies
    Traced,            // the outline is shown; Compose is next
    TracedCornerSet,   // traced while a first corner was pending; a press still magnifies
    ChoosingStart,     // waiting for a press on the outline
    StartMissed,       // still waiting, after a press or a walk found nothing to play
    Playing,
};

enum class PressMeaning { Nothing, FirstCorner, SecondCorner, StartPoint };

struct StateRow
{
    State state;
    Commands offered;
    PressMeaning press;
    // Where each input leads; none where the input is not offered or not meant.
    std::optional<State> afterDraw;
    std::optional<State> afterTrace;
    std::optional<State> afterCompose;
    std::optional<State> afterBack;
    // After the press's work completes: a magnification, or a walk that plays.
    std::optional<State> afterPress;
    // After a press that finds nothing to play, and after a failed walk.
    std::optional<State> afterMiss;
    // After Stop Music, or the tick that ends the piece.
    std::optional<State> afterStop;
};

inline constexpr Commands Offer(bool draw, bool magnify, bool trace, bool compose, bool stopMusic)
{
    return {draw, magnify, trace, compose, stopMusic, magnify};
}

// A press that finds no outline cell and a walk that fails lead to
// StartMissed, where Draw is offered too, so a used-up outline never leaves
// only Quit. Quit ends the session from any state.
inline constexpr std::array<StateRow, 8> StateTable{{
    //                       draw   magnify trace  compose stop
    //                       then after: Draw, Trace, Compose, Back, a press, a miss, Stop
    {State::Ready,           Offer(true,  false, false, false, false), PressMeaning::Nothing,
     State::Drawn, {}, {}, {}, {}, {}, {}},
    {State::Drawn,           Offer(true,  true,  true,  false, false), PressMeaning::FirstCorner,
     State::Drawn, State::Traced, {}, State::Drawn, State::CornerSet, {}, {}},
    // Back cancels the pending corner.
    {State::CornerSet,       Offer(true,  true,  true,  false, false), PressMeaning::SecondCorner,
     State::CornerSet, State::TracedCornerSet, {}, State::Drawn, State::Drawn, {}, {}},
    {State::Traced,          Offer(false, false, false, true,  false), PressMeaning::Nothing,
     {}, {}, State::ChoosingStart, {}, {}, {}, {}},
    // The press still completes the magnification; its colour picture is
    // then on screen, so what is offered is what follows any magnification.
    {State::TracedCornerSet, Offer(false, false, false, true,  false), PressMeaning::SecondCorner,
     {}, {}, State::ChoosingStart, {}, State::Drawn, {}, {}},
    {State::ChoosingStart,   Offer(false, false, false, false, false), PressMeaning::StartPoint,
     {}, {}, {}, {}, State::Playing, State::StartMissed, {}},
    // Draw here also ends the wait for a start point.
    {State::StartMissed,     Offer(true,  false, false, false, false), PressMeaning::StartPoint,
     State::Drawn, {}, {}, {}, State::Playing, State::StartMissed, {}},
    {State::Playing,         Offer(false, false, false, false, true),  PressMeaning::Nothing,
     {}, {}, {}, {}, {}, {}, State::Ready},
}};

constexpr const StateRow& RowOf(State state)
{
    return StateTable[static_cast<std::size_t>(state)];
}

// The table is indexed by state; keep its rows in the enum's order.
static_assert([] {
    for (std::size_t i = 0; i < StateTable.size(); ++i) {
        if (static_cast<std::size_t>(StateTable[i].state) != i)
            return false;
    }
    return true;
}());
