#pragma once

// What a user expects the program to offer, worked out from what they have
// done so far. Written as a handful of facts about the session and one rule
// per command, not as a table of states, so that a disagreement with the
// program's own table shows as a failure. A new command is one more rule in
// Offered(); a new situation is one more fact.

#include "command_table.h"

#include <ostream>
#include <utility>

// Lets a failed comparison name the commands instead of dumping bytes.
inline void PrintTo(const Commands& c, std::ostream* out)
{
    const std::pair<bool, const char*> named[] = {
        {c.draw, "Draw"}, {c.magnify, "Magnify"}, {c.trace, "Trace"}, {c.compose, "Compose"},
        {c.stopMusic, "Stop"}, {c.back, "Back"}, {c.redraw, "Redraw"}, {c.cancel, "Cancel"},
        {c.savePicture, "Save"}, {c.exportMelody, "Export"}, {c.zoom, "Zoom"}, {c.pan, "Pan"},
        {c.pause, "Pause"}, {c.step, "Step"},
    };
    *out << '{';
    for (const auto& [offered, name] : named)
        *out << (offered ? " " : "") << (offered ? name : "");
    *out << " }";
}

class CommandModel
{
public:
    enum class PressMeaning { Ignored, FirstCorner, SecondCorner, StartPoint };
    enum class StartOutcome { NotOnOutline, WalkFailed, Played };

    Commands Offered() const
    {
        Commands c;
        if (quit_)
            return c;
        // While music plays, the only things to do are to stop or pause it
        // (or quit); paused, it steps too.
        c.stopMusic = c.pause = playing_;
        c.step = playing_ && paused_;
        // A traced outline is composed, and composed again after a piece.
        c.compose = outlineShown_ || played_;
        // Drawing starts over from anywhere but the music.
        c.draw = !playing_;
        // Magnifying and tracing work on a freshly drawn picture.
        c.magnify = c.trace = drawing_;
        // Whatever view is on screen can be drawn again, or left for the one before.
        c.redraw = anyPicture_ && !playing_;
        c.back = c.redraw && magnifications_ > 0;
        // A zoom or a pan moves whatever view is on screen, as a magnification.
        c.zoom = c.pan = c.redraw;
        c.cancel = choosingStart_ || cornerPending_;
        c.savePicture = anyPicture_;
        c.exportMelody = pieceComposed_;
        return c;
    }

    // The controller's name for the situation, so a test can compare it too.
    State ExpectedState() const
    {
        if (playing_)
            return paused_ ? State::Paused : State::Playing;
        if (choosingStart_)
            return startMissed_ ? State::StartMissed : State::ChoosingStart;
        if (outlineShown_)
            return cornerPending_ ? State::TracedCornerSet : State::Traced;
        if (drawing_)
            return cornerPending_ ? State::CornerSet : State::Drawn;
        return played_ ? State::Played : State::Ready;
    }

    PressMeaning WhatAPressMeans() const
    {
        if (quit_ || playing_)
            return PressMeaning::Ignored;
        if (choosingStart_)
            return PressMeaning::StartPoint;
        // A pending corner is completed even once the outline has been traced.
        if (cornerPending_)
            return PressMeaning::SecondCorner;
        return drawing_ ? PressMeaning::FirstCorner : PressMeaning::Ignored;
    }

    bool HasQuit() const { return quit_; }
    bool CornerPending() const { return cornerPending_; }
    bool Playing() const { return playing_; }

    // Each input changes the facts only where it is offered, and says
    // whether it was, so a test can predict the input's work.
    bool Draw()
    {
        // A pending first corner survives a redraw; the history of views does not.
        return Apply(Offered().draw, [this] {
            drawing_ = anyPicture_ = true;
            magnifications_ = 0;
            choosingStart_ = startMissed_ = outlineShown_ = played_ = false;
        });
    }
    // Back and Redraw draw a view in colour and drop a pending corner.
    bool Back()
    {
        return Apply(Offered().back, [this] {
            --magnifications_;
            ShowColourPicture();
        });
    }
    bool Redraw() { return Apply(Offered().redraw, [this] { ShowColourPicture(); }); }
    // Cancel lets a pending corner go, or leaves the wait for a start point.
    bool Cancel()
    {
        return Apply(Offered().cancel, [this] {
            if (std::exchange(cornerPending_, false))
                return;
            choosingStart_ = startMissed_ = false;
            outlineShown_ = true;
        });
    }
    bool ZoomOrPan()
    {
        return Apply(Offered().zoom, [this] {
            ++magnifications_;
            ShowColourPicture();
        });
    }
    bool Trace()
    {
        return Apply(Offered().trace, [this] {
            drawing_ = false;
            outlineShown_ = true;
        });
    }
    bool Compose()
    {
        return Apply(Offered().compose, [this] {
            outlineShown_ = cornerPending_ = played_ = false;
            choosingStart_ = true;
        });
    }
    bool StopMusic() { return Apply(Offered().stopMusic, [this] { PieceEnded(); }); }
    // Pause while playing, Resume while paused.
    bool PauseOrResume() { return Apply(Offered().pause, [this] { paused_ = !paused_; }); }

    // Sets or completes a corner; a press on a start point is completed by
    // StartPressed with what the walk found.
    PressMeaning Press()
    {
        const PressMeaning meaning = WhatAPressMeans();
        if (meaning == PressMeaning::FirstCorner) {
            cornerPending_ = true;
        } else if (meaning == PressMeaning::SecondCorner) {
            // The magnified colour picture replaces any outline traced meanwhile.
            cornerPending_ = outlineShown_ = false;
            drawing_ = true;
            ++magnifications_;
        }
        return meaning;
    }
    void StartPressed(StartOutcome outcome)
    {
        startMissed_ = outcome != StartOutcome::Played;
        if (outcome == StartOutcome::Played) {
            choosingStart_ = false;
            playing_ = pieceComposed_ = true;
        }
    }
    // By the tick after the last note, or by Stop: its walk stays on screen.
    void PieceEnded()
    {
        playing_ = paused_ = drawing_ = outlineShown_ = cornerPending_ = false;
        played_ = true;
    }
    // Quit, or the window closed by its frame: nothing is offered any more.
    void Quit()
    {
        quit_ = true;
        playing_ = paused_ = false;
    }

private:
    void ShowColourPicture()
    {
        drawing_ = true;
        cornerPending_ = outlineShown_ = choosingStart_ = startMissed_ = played_ = false;
    }

    template <typename Change>
    static bool Apply(bool offered, Change change)
    {
        if (offered)
            change();
        return offered;
    }

    bool quit_ = false;
    bool anyPicture_ = false;     // something was ever drawn, so it can be saved
    bool pieceComposed_ = false;  // a walk ever played, so it can be exported
    bool drawing_ = false;        // a fresh picture awaits magnification or a trace
    bool cornerPending_ = false;  // one corner of a magnification is set
    int magnifications_ = 0;      // views Back can return to
    bool outlineShown_ = false;   // traced; Compose is the next step
    bool choosingStart_ = false;  // Compose asked for a press on the outline
    bool startMissed_ = false;    // that press or its walk found nothing to play
    bool playing_ = false;
    bool paused_ = false;         // the piece holds still until Resume
    bool played_ = false;         // a piece ended or stopped; its walk is on screen
};
