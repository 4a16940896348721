#pragma once

#include "midi_out.h"
#include "music_settings.h"
#include "music_timer.h"
#include "output_choice.h"
#include "sequencer.h"
#include "sync_coordinator.h"

#include <QCoreApplication>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Performing: the settings the next piece starts with, the output it plays
// on (the built-in synthesizer or another program's port, kept while the
// choice stays), its readiness and lost ports, and the sequencer with the
// timer that steps it, or the sync coordinator that keeps it in time with
// other programs when a sync source is chosen.
class PiecePerformer
{
    // Its texts are the controller's, as they always were.
    Q_DECLARE_TR_FUNCTIONS(Controller)

public:
    // How long an output that is still getting ready may stay silent before
    // the user is told why.
    static constexpr int ReadinessPatienceMilliseconds = 1500;

    // tell: a message for the user, shown modally.
    PiecePerformer(music::MidiOut& output, std::function<void(const QString&)> tell);
    ~PiecePerformer();
    PiecePerformer(const PiecePerformer&) = delete;
    PiecePerformer& operator=(const PiecePerformer&) = delete;

    // Opens the output (telling the user if it is silent), sends the
    // instruments and starts the timer. A piece keeps the output it started on.
    void Start(const std::vector<std::uint8_t>& notes, const music::MusicSettings& settings);
    // The step's messages, sent; and whether the piece ended with it.
    music::Sequencer::Step Step();
    // Stops the timer and silences and closes the piece's output.
    void End();
    // Holds the piece where it is, silent; Resume goes on from there on the
    // same grid, a whole step after the last step taken while paused. Under
    // a sync source the shared grid runs on meanwhile: the steps due while
    // paused are passed over, and the piece goes on at the next one.
    void Pause();
    void Resume();
    bool Paused() const { return sequencer_.Paused(); }
    // While paused: one step forward (1) or back (-1), heard for a step's
    // length; false where there is no step to go to.
    bool StepBy(int by);
    // Silences and closes every output for good.
    void Shutdown();
    // Tells the user, after the tick has returned, if the piece's port went away.
    void ReportLostPort();

    music::SettingsFault SetMusicSettings(const music::MusicSettings& settings);
    const music::MusicSettings& MusicSettings() const { return settings_; }
    std::string SoundFontPath() const;

    // Velmora's own port is there from the moment it is chosen, so other
    // programs can be connected to it before a piece plays; it stays open
    // between pieces until another output is chosen.
    void SetOutputChoice(const OutputChoice& choice);
    const OutputChoice& CurrentOutputChoice() const { return outputChoice_; }
    void SetExternalOutputFactory(ExternalOutputFactory factory) { makeExternal_ = std::move(factory); }

    // Where the piece that plays now sounds, in the user's words.
    QString PlaysOn() const;

    // Whether the piece starts again after its last step until it is stopped;
    // switched off while it plays, the current pass runs to its end.
    void SetLooping(bool looping) { sequencer_.SetLooping(looping); }
    bool Looping() const { return sequencer_.Looping(); }

    // Where the next piece keeps time: a Link session chosen in an earlier
    // run is shown and joins only when joinLink says so.
    void SetSyncChoice(const SyncChoice& choice, bool joinLink) { sync_.Choose(choice, joinLink); }
    SyncCoordinator& Sync() { return sync_; }
    const SyncCoordinator& Sync() const { return sync_; }

    const music::Sequencer& Player() const { return sequencer_; }
    MusicTimer& Timer() { return timer_; }
    const MusicTimer& Timer() const { return timer_; }

private:
    ExternalOutput* OpenExternalOutput(bool forPiece);
    void CloseExternalOutput();
    bool KeepsOwnPortOpen() const { return outputChoice_.kind == OutputChoice::Kind::OwnPort; }
    QString NoSoundSourceMessage() const;
    void CheckReadiness();
    void ReportSilence(music::MidiOut::Readiness readiness);
    void Send(const std::vector<music::MidiMessage>& messages);

    music::MidiOut& output_;
    std::function<void(const QString&)> tell_;
    music::Sequencer sequencer_;
    MusicTimer timer_;
    SyncCoordinator sync_;
    QTimer readinessCheck_;
    // Lets go a step taken while paused once it has sounded its length.
    QTimer stepRelease_;
    bool steppedWhilePaused_ = false;
    // The step of the piece on stage, whether its timer or a sync source keeps it.
    std::chrono::microseconds pieceStep_{0};
    bool playing_ = false;

    music::MusicSettings settings_;
    OutputChoice outputChoice_;
    ExternalOutputFactory makeExternal_ = MakeRtMidiOutput;
    // The output made for the choice it was made for, kept while the choice stays.
    std::unique_ptr<ExternalOutput> external_;
    OutputChoice externalChoice_;
    bool externalOpen_ = false;
    // The output the current or last piece played on: output_ or external_.
    music::MidiOut* pieceOutput_ = nullptr;
};
