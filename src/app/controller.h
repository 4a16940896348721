#pragma once

#include "command_table.h"
#include "grid.h"
#include "midi_out.h"
#include "music_settings.h"
#include "music_timer.h"
#include "output_choice.h"
#include "picture.h"
#include "place.h"
#include "render.h"
#include "render_runner.h"
#include "sequencer.h"
#include "view.h"

#include <QObject>
#include <QPointF>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The Automatic accuracy: 100 iterations at the whole set's width and 300
// more for each tenfold magnification, at most 1,000,000, so deeper views
// keep their detail.
inline constexpr int AutomaticBaseIterations = 100;
inline constexpr int AutomaticIterationsPerDecade = 300;
inline constexpr int AutomaticMostIterations = fractal::MostIterations;
int AutomaticIterations(const fractal::DeepView& view);

// The red line from the first corner of a magnification to the pointer.
struct RubberBand
{
    bool visible = false;
    QPointF start;
    QPointF end;
};

// One session of the program: the view, the picture, the grids, the
// melody and its playback. Every input of the window arrives here and is
// handled by the table of states; what changes is reported by signals, so
// the window only shows it.
class Controller : public QObject
{
    Q_OBJECT

public:
    // Low, Medium, High, 1,000 to 1,000,000 iterations, and Automatic.
    static constexpr int AccuracyCount = 8;
    static constexpr int AutomaticAccuracy = AccuracyCount - 1;
    // The iterations of each entry before Automatic, which follows the view.
    static constexpr std::array<int, AccuracyCount - 1> IterationsByAccuracy{
        10, 50, 100, 1'000, 10'000, 100'000, fractal::MostIterations};
    // The first entry named by its count rather than a word.
    static constexpr int FirstCountedAccuracy = 3;
    // How long an output that is still getting ready may stay silent before
    // the user is told why.
    static constexpr int ReadinessPatienceMilliseconds = 1500;

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
    void Quit();
    void Press(float x, float y);
    void Move(float x, float y);
    void Tick();
    // Draws the view at these iterations and, with a start cell, traces it
    // and plays the piece from that cell at that length. A start cell off
    // the outline brings everything back as it was, and says so.
    void OpenView(const fractal::DeepView& view, int iterations, int length, std::optional<fractal::Cell> start);
    // The window is closing by its frame: no note may be left hanging.
    void WindowClosing();

    // The accuracy list's selected index: 0, 1 or 2; others keep the limit.
    void SetAccuracy(int index);
    void SetLengthText(const QString& text);

    State CurrentState() const { return state_; }
    Commands Offered() const;
    bool HasQuit() const { return quit_; }
    // One short line on what to do next, or how far the piece has played.
    QString StatusText() const;

    const Picture& CurrentPicture() const { return picture_; }
    const RubberBand& CurrentRubberBand() const { return rubberBand_; }
    // The cell of the walked path whose note is sounding, while a piece plays.
    std::optional<fractal::Cell> Playhead() const;
    float Progress() const { return progress_; }
    const QString& LengthText() const { return lengthText_; }

    // The view in doubles; exact while doubles are enough for it.
    fractal::View CurrentView() const;
    const fractal::DeepView& CurrentDeepView() const { return view_; }
    // Where the view is: its centre, its width and the iterations.
    QString ViewReadout() const;
    int MaxIterations() const { return maxIterations_; }
    const fractal::ColourGrid& Colours() const { return colours_; }
    const fractal::OutlineGrid& Outline() const { return outline_; }
    // The last walk's bytes: its directions, or its notes once it played.
    const std::vector<std::uint8_t>& Melody() const { return melody_; }
    const music::Sequencer& Player() const { return sequencer_; }
    // The views the magnifications replaced, oldest first.
    const std::vector<fractal::DeepView>& History() const { return history_; }
    // The notes of the most recent walk that completed; empty before any.
    const std::vector<std::uint8_t>& Piece() const { return piece_; }
    // Where that piece started, while the picture on screen is the one it
    // was composed on; a place kept now brings the piece back with it.
    std::optional<fractal::Cell> PieceStart() const;
    // The place of the picture on screen, with the piece's start cell while
    // the piece was composed on it; and the most recent piece's own place.
    Place CurrentPlace() const;
    Place PiecePlace() const;
    // Opens a kept place as OpenView does.
    void OpenPlace(const Place& place);
    // That piece as a Standard MIDI File: what playback sends, at its times,
    // with its place.
    std::vector<std::uint8_t> PieceAsMidiFile() const;
    const MusicTimer& Timer() const { return timer_; }

    // The settings the next piece starts with; a piece keeps those it started
    // with. Invalid settings are refused, and the fault says which field.
    music::SettingsFault SetMusicSettings(const music::MusicSettings& settings);
    const music::MusicSettings& MusicSettings() const { return settings_; }
    // The settings of the most recent completed piece, which it is exported with.
    const music::MusicSettings& PieceSettings() const { return pieceSettings_; }
    // The SoundFont of the built-in synthesizer, for rendering a piece to a file.
    std::string SoundFontPath() const;

    // Where the next piece plays; a piece keeps the output it started on.
    void SetOutputChoice(const OutputChoice& choice) { outputChoice_ = choice; }
    const OutputChoice& CurrentOutputChoice() const { return outputChoice_; }
    void SetExternalOutputFactory(ExternalOutputFactory factory) { makeExternal_ = std::move(factory); }

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

private:
    const StateRow& Row() const { return RowOf(state_); }
    void SetState(State state);
    void SetProgress(float value);
    void SetRubberBand(RubberBand band);
    void ApplyAccuracy();
    void StartRender(const fractal::DeepView& view, std::vector<fractal::DeepView> history, bool hideBand,
                     State after, std::optional<int> iterations = std::nullopt);
    void FinishOpening();
    void CancelRender();
    void SetFirstCorner(float x, float y);
    void CompleteMagnification(float x, float y);
    void ShowTracedOutline();
    void MissStart(const QString& message);
    void ChooseStartPoint(float x, float y);
    void StartPlayback();
    void CheckReadiness();
    QString NoSoundSourceMessage() const;
    void ReportSilence(music::MidiOut::Readiness readiness);
    void EndPlayback();
    void Shutdown();
    ExternalOutput* OpenExternalOutput();
    void ReportLostPort();

    music::MidiOut& output_;
    RenderRunner& renderer_;
    State state_ = State::Ready;
    bool quit_ = false;

    int accuracyIndex_ = 1;
    QString lengthText_;
    int maxIterations_ = 0;
    fractal::DeepView view_;
    fractal::DeepPoint firstCorner_;
    std::vector<fractal::DeepView> history_;
    bool hasPicture_ = false;
    RubberBand rubberBand_;
    float progress_ = 0.0f;

    Picture picture_;
    fractal::ColourGrid colours_;
    fractal::OutlineGrid outline_;
    // The outline as traced, before any walk cleared its cells.
    fractal::OutlineGrid tracedOutline_;
    std::vector<std::uint8_t> melody_;
    // The cell each step of the last walk stood on, one per melody byte.
    std::vector<fractal::Cell> walkCells_;
    std::vector<std::uint8_t> piece_;
    music::Sequencer sequencer_;
    MusicTimer timer_;
    QTimer readinessCheck_;

    music::MusicSettings settings_;
    music::MusicSettings pieceSettings_;
    OutputChoice outputChoice_;
    ExternalOutputFactory makeExternal_ = MakeRtMidiOutput;
    // The output made for the choice it was made for, kept while the choice stays.
    std::unique_ptr<ExternalOutput> external_;
    OutputChoice externalChoice_;
    // The output the current or last piece played on: output_ or external_.
    music::MidiOut* pieceOutput_ = nullptr;

    // What a render replaced, for Cancel to bring back, and where it leads.
    struct BeforeRender
    {
        State state = State::Ready;
        fractal::DeepView view;
        std::vector<fractal::DeepView> history;
        RubberBand band;
        float progress = 0.0f;
        int maxIterations = 0;
        Picture picture;
        fractal::ColourGrid colours;
    };
    BeforeRender beforeRender_;
    State renderTarget_ = State::Ready;
    // While a view is being opened: what it changed besides the render's
    // own, and the start cell to play from once it is drawn.
    struct Opening
    {
        QString lengthText;
        fractal::OutlineGrid outline;
        fractal::OutlineGrid tracedOutline;
        bool hasPicture = false;
        std::optional<fractal::Cell> start;
    };
    std::optional<Opening> opening_;
    void RestoreBeforeOpening(Opening opening);
    // Where the most recent completed walk started, on which view and at
    // how many iterations, so a kept place can play it again.
    fractal::Cell pieceStart_;
    fractal::DeepView pieceView_;
    int pieceIterations_ = 0;
};
