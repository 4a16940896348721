#pragma once

#include "command_table.h"
#include "orbit_follower.h"
#include "piece_composer.h"
#include "piece_performer.h"
#include "place.h"
#include "screen.h"
#include "view_explorer.h"

#include <QObject>
#include <QPointF>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// One session of the program. Every input of the window arrives here and
// is handled by the one table of states, which says what each input does
// and what is offered; the work itself is done by the parts the session
// owns: exploring the view, composing a piece from its outline and
// performing it. What changes is reported by signals, so the window only
// shows it.
class Controller : public QObject
{
    Q_OBJECT

public:
    // Low, Medium, High, 1,000 to 1,000,000 iterations, and Automatic.
    static constexpr int AccuracyCount = ViewExplorer::AccuracyCount;
    static constexpr int AutomaticAccuracy = ViewExplorer::AutomaticAccuracy;
    static constexpr auto IterationsByAccuracy = ViewExplorer::IterationsByAccuracy;
    // The first entry named by its count rather than a word.
    static constexpr int FirstCountedAccuracy = 3;
    // How long an output that is still getting ready may stay silent before
    // the user is told why.
    static constexpr int ReadinessPatienceMilliseconds = PiecePerformer::ReadinessPatienceMilliseconds;

    Controller(music::MidiOut& output, RenderRunner& renderer, QObject* parent = nullptr);
    ~Controller() override;

    // Inputs. A command that is not offered in the current state does nothing.
    void Draw();
    void ExplainMagnify();
    // Returns to the view the last magnification replaced.
    void Back();
    // Draws the view on screen again, at the accuracy now chosen.
    void Redraw();
    // Leaves the wait for a start point for the traced outline.
    void Cancel();
    void Trace();
    void Compose();
    void StopMusic();
    // Pause holds a playing piece, silent; while paused, the steps move it
    // one step at a time, each heard, and Resume plays on from there.
    void Pause();
    void Resume();
    void StepForward();
    void StepBack();
    void Quit();
    void Press(float x, float y);
    void Move(float x, float y);
    // The left button let go after a drag: where its press set the first
    // corner, this is the second, as two clicks would be.
    void Release(float x, float y);
    // Magnifies by factor (2 a wheel notch in, 0.5 out) about the cell at
    // (x, y), which stays where it is on the picture.
    void Zoom(float x, float y, double factor);
    // Moves the view by (dx, dy) cells: what was at cell (dx, dy) comes to (0, 0).
    void Pan(float dx, float dy);
    void Tick();
    // Draws the view at these iterations and, with a start cell, traces it
    // and plays the piece from that cell at that length. A start cell off
    // the outline brings everything back as it was, and says so.
    // With a palette, the picture is shown in it from now on.
    void OpenView(const fractal::DeepView& view, int iterations, int length, std::optional<fractal::Cell> start,
                  std::optional<fractal::Palette> palette = std::nullopt);
    // View -> Show Orbit: the orbit of the cell under the pointer or the
    // cursor (each Move) is drawn and described on the status line.
    void SetOrbitShown(bool shown);
    bool OrbitShown() const { return orbitShown_; }
    // Known once worked out; in the cells of the view on screen.
    const std::optional<fractal::PointOrbit>& Orbit() const { return orbit_.Orbit(); }
    OrbitFollower& OrbitOfPoint() { return orbit_; }
    // The window is closing by its frame: no note may be left hanging.
    void WindowClosing();

    // The accuracy list's selected index: 0, 1 or 2; others keep the limit.
    void SetAccuracy(int index) { explorer_.SetAccuracy(index); }
    // The picture's cells a side (one of fractal::PictureSides): takes
    // effect with the next picture, as the accuracy does. A place opened at
    // another side chooses that one.
    void SetPictureSide(int side) { explorer_.SetPictureSide(side); }
    int PictureSide() const { return explorer_.PictureSide(); }
    // How the colour picture is shown: a colour picture on screen is
    // recoloured at once, without rendering. The outline, the walk and the
    // piece come from the classic colours and never change with it.
    void SetPalette(fractal::Palette palette);
    fractal::Palette CurrentPalette() const { return explorer_.CurrentPalette(); }
    void SetLengthText(const QString& text) { lengthText_ = text; }

    State CurrentState() const { return state_; }
    Commands Offered() const;
    bool HasQuit() const { return quit_; }
    // One short line on what to do next, or how far the piece has played.
    QString StatusText() const;

    const Picture& CurrentPicture() const { return screen_.picture; }
    const RubberBand& CurrentRubberBand() const { return screen_.band; }
    // The cell of the walked path whose note is sounding, while a piece
    // plays or is paused, and its step: the cells of the path up to it have
    // been played, those after it are still to come.
    std::optional<fractal::Cell> Playhead() const;
    std::optional<int> PlayheadStep() const;
    // The cells of the piece's walk, one per step.
    const std::vector<fractal::Cell>& PathCells() const { return composer_.PathCells(); }
    // The walk direction (a byte of the walk) whose note sounds now; none
    // between notes and when no piece plays.
    std::optional<std::uint8_t> SoundingDirection() const;
    // The settings whose notes the directions give: the piece's while it
    // plays or is paused, else the next piece's.
    const music::MusicSettings& LegendSettings() const;
    float Progress() const { return screen_.progress; }
    const QString& LengthText() const { return lengthText_; }

    // The view in doubles; exact while doubles are enough for it.
    fractal::View CurrentView() const { return explorer_.ViewInDoubles(); }
    const fractal::DeepView& CurrentDeepView() const { return explorer_.View(); }
    // Where the view is: its centre, its width and the iterations.
    QString ViewReadout() const;
    int MaxIterations() const { return explorer_.MaxIterations(); }
    const fractal::ColourGrid& Colours() const { return explorer_.Colours(); }
    const fractal::OutlineGrid& Outline() const { return composer_.Outline(); }
    // The last walk's bytes: its directions, or its notes once it played.
    const std::vector<std::uint8_t>& Melody() const { return composer_.Melody(); }
    const music::Sequencer& Player() const { return performer_.Player(); }
    // The views the magnifications replaced, oldest first.
    const std::vector<fractal::DeepView>& History() const { return explorer_.History(); }
    // The notes of the most recent walk that completed; empty before any.
    const std::vector<std::uint8_t>& Piece() const { return composer_.Piece(); }
    // Where that piece started, while the picture on screen is the one it
    // was composed on; a place kept now brings the piece back with it.
    std::optional<fractal::Cell> PieceStart() const;
    // The place of the picture on screen, with the piece's start cell while
    // the piece was composed on it; and the most recent piece's own place.
    Place CurrentPlace() const;
    Place PiecePlace() const { return composer_.PiecePlace(); }
    // Opens a kept place as OpenView does.
    void OpenPlace(const Place& place);
    // That piece as a Standard MIDI File: what playback sends, at its times,
    // with its place.
    std::vector<std::uint8_t> PieceAsMidiFile() const { return composer_.PieceAsMidiFile(); }
    // That piece as a video shows it: its outline, its path and its notes.
    video::PieceVideo PieceAsVideo() const { return composer_.PieceAsVideo(); }
    const MusicTimer& Timer() const { return performer_.Timer(); }

    // The settings the next piece starts with; a piece keeps those it started
    // with. Invalid settings are refused, and the fault says which field.
    music::SettingsFault SetMusicSettings(const music::MusicSettings& settings)
    {
        return performer_.SetMusicSettings(settings);
    }
    const music::MusicSettings& MusicSettings() const { return performer_.MusicSettings(); }
    // The settings of the most recent completed piece, which it is exported with.
    const music::MusicSettings& PieceSettings() const { return composer_.PieceSettings(); }
    // The SoundFont of the built-in synthesizer, for rendering a piece to a file.
    std::string SoundFontPath() const { return performer_.SoundFontPath(); }
    // A piece that loops plays until Stop; this also applies to the piece playing now.
    void SetLooping(bool looping) { performer_.SetLooping(looping); }
    bool Looping() const { return performer_.Looping(); }

    // What the next piece keeps time with (Music -> Sync). A Link session is
    // joined only with joinLink: a choice remembered from an earlier run is
    // shown, and joins when the user chooses it again.
    void SetSyncChoice(const SyncChoice& choice, bool joinLink) { performer_.SetSyncChoice(choice, joinLink); }
    const SyncChoice& CurrentSyncChoice() const { return performer_.Sync().Choice(); }
    const SyncCoordinator& Sync() const { return performer_.Sync(); }

    // Where the next piece plays; a piece keeps the output it started on.
    void SetOutputChoice(const OutputChoice& choice) { performer_.SetOutputChoice(choice); }
    const OutputChoice& CurrentOutputChoice() const { return performer_.CurrentOutputChoice(); }
    void SetExternalOutputFactory(ExternalOutputFactory factory)
    {
        performer_.SetExternalOutputFactory(std::move(factory));
    }

signals:
    void pictureChanged();
    void progressChanged(float value);
    void commandsChanged();
    void rubberBandChanged();
    void playheadChanged();
    // Modal: the window returns once the user has closed the message.
    void messageRequested(const QString& text);
    void lengthTextChanged(const QString& text);
    void quitRequested();
    void statusChanged(const QString& text);
    // The view or its iterations changed: the readout says where it is now.
    void viewChanged();
    // A place chose the picture's side for the next pictures too.
    void pictureSideChanged(int side);
    // A place chose its palette, or an opening that failed brought back the one before.
    void paletteChanged();
    void orbitChanged();

private:
    const StateRow& Row() const { return RowOf(state_); }
    // The status line without what the sync source says or the orbit's description.
    QString StateText() const;
    void SetState(State state);
    void StartRender(const fractal::DeepView& view, std::vector<fractal::DeepView> history, bool hideBand,
                     State after, std::optional<int> iterations = std::nullopt,
                     std::optional<ScaledPreview> preview = std::nullopt);
    // A zoom or a pan: a magnification Back returns from.
    void MoveView(const fractal::DeepView& view, const ScaledPreview& preview, State after);
    void CancelRender();
    void FinishOpening();
    void CompleteMagnification(float x, float y, State after);
    void MissStart(const QString& message);
    void ChooseStartPoint(float x, float y);
    void EndPlayback();
    void StepBy(int by);
    bool PieceOnStage() const { return state_ == State::Playing || state_ == State::Paused; }
    void Shutdown();

    State state_ = State::Ready;
    bool quit_ = false;
    QString lengthText_;
    Screen screen_;
    ViewExplorer explorer_;
    PieceComposer composer_;
    PiecePerformer performer_;
    OrbitFollower orbit_;
    bool orbitShown_ = false;
    // Where the pointer or the cursor last was, for an orbit shown anew.
    std::optional<QPointF> lastMove_;
    void FollowOrbit();

    // The state a render left, for Cancel to bring back, and where it leads.
    State stateBeforeRender_ = State::Ready;
    State renderTarget_ = State::Ready;
    // While a view is being opened: what it changed besides the render's
    // own, and the start cell to play from once it is drawn.
    struct Opening
    {
        QString lengthText;
        PieceComposer::Outlines outlines;
        bool hasPicture = false;
        std::optional<fractal::Cell> start;
        fractal::Palette palette = fractal::Palette::Classic;
    };
    std::optional<Opening> opening_;
    void RestoreBeforeOpening(Opening opening);
};
