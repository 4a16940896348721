#pragma once

#include "jack_transport_reader.h"
#include "link_session.h"
#include "midi_clock_follower.h"
#include "midi_clock_input.h"
#include "music_settings.h"
#include "sync_choice.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

// Keeps a piece in time with other programs. The performer hands a piece
// here instead of to its own timer whenever a sync source is chosen (and,
// for Link, joined): each step is then due at its slot on the shared
// timeline, step 1 on the timeline's next bar or step, and this says so
// with stepDue. Off leaves every piece to the performer's timer, untouched.
//
// The sources are made when chosen, so other programs can connect to the
// clock input before a piece. A Link session is joined only when asked:
// a choice remembered from an earlier run is shown, not joined.
class SyncCoordinator : public QObject
{
    Q_OBJECT

public:
    using ClockOut = std::function<void(const music::MidiMessage&)>;

    explicit SyncCoordinator(QObject* parent = nullptr);
    ~SyncCoordinator() override;

    // Takes effect at once, or after the piece that keeps time now.
    void Choose(const SyncChoice& choice, bool joinLink);
    const SyncChoice& Choice() const { return pending_ ? pending_->first : choice_; }
    bool LinkJoined() const { return link_ && link_->Joined(); }
    bool DrivesPieces() const;

    // The settings' tempo, shared with a Link session; also the tempo the
    // JACK transport is counted at where no timebase master gives one.
    void SetTempo(double tempo);

    // clockOut: where MIDI clock goes when sent; empty where the piece plays
    // on the built-in synthesizer, which takes none. False when the source
    // cannot keep time now (no clock input, no JACK server): the piece then
    // plays on its own clock, and the status says why.
    bool Start(const music::MusicSettings& settings, ClockOut clockOut);
    // Sends the clock's Stop, and a Link session's stop to the peers that share it.
    void Stop();
    bool Running() const { return phase_ != Phase::Idle; }

    // What the source does now, in a few words; empty when Off.
    QString StatusText() const;
    // Where the last step that was due belongs on the shared timeline.
    std::optional<music::SteadyTime> LastSlot() const { return lastSlot_; }
    // The tempo a followed MIDI clock gives now, once it gave one.
    std::optional<double> FollowedTempo() const;
    // The session, for a test that checks its beats from a peer of its own.
    const music::LinkSession* Link() const { return link_.get(); }

signals:
    void stepDue();
    // The source stopped the piece: a Stop, a transport that stopped, a peer.
    void stopRequested();
    void statusChanged(const QString& text);
    // A Link session's tempo, once it differs from the one set here.
    void tempoShared(double tempo);

private:
    enum class Phase { Idle, Waiting, Rolling, Paused };
    enum class Fault { None, ClockInputUnreachable, NoJackServer, JackServerGone };

    void Apply(const SyncChoice& choice, bool joinLink);
    void Service();
    void ServiceClockSender(music::SteadyTime now);
    void ServiceClockFollower(music::SteadyTime now);
    // The timeline a Link session or the JACK transport gives now; nothing while waiting.
    std::optional<music::BeatTimeline> SharedTimeline(music::SteadyTime now);
    // Waits for the due time when it is near, else wakes up closer to it.
    bool AwaitDue(music::SteadyTime due, music::SteadyTime now);
    void FireStep(music::SteadyTime slot);
    void Watch();
    void RequestStop();

    SyncChoice choice_;
    std::optional<std::pair<SyncChoice, bool>> pending_;
    double tempo_ = music::DefaultTempo;
    double linkTempo_ = 0;
    Fault fault_ = Fault::None;

    std::unique_ptr<music::LinkSession> link_;
    std::shared_ptr<music::MidiClockFollower> follower_;
    std::unique_ptr<music::MidiClockInput> clockInput_;
    std::unique_ptr<music::JackTransportReader> transport_;

    // The piece that keeps time here.
    Phase phase_ = Phase::Idle;
    ClockOut clockOut_;
    double stepBeats_ = 0.25;
    int pulsesPerStep_ = 6;
    long long stepMicroseconds_ = 0;
    long long nextStep_ = 1;
    // Link and the JACK transport: the beat of step 1.
    double firstBeat_ = 0;
    std::optional<music::BeatTimeline> lastTimeline_;
    // Sending MIDI clock: the piece's start, and the next pulse.
    music::SteadyTime start_{};
    long long nextPulse_ = 0;
    // Following MIDI clock: the pulse of step 1, and the Starts and Stops seen.
    long long firstPulse_ = 0;
    long long startsSeen_ = 0;
    long long stopsSeen_ = 0;
    std::optional<music::SteadyTime> lastSlot_;

    QTimer wake_;
    QTimer watch_;
    QString lastStatus_;
};
