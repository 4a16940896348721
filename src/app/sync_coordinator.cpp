#include "sync_coordinator.h"

#include <QMetaObject>

#include <cmath>
#include <thread>

using namespace std::chrono_literals;
using music::SyncSource;

namespace {

// A due step is waited for on the window's thread only for its last moment;
// before that the thread wakes at least this often, so a tempo changed by
// a peer or a transport that stops is followed within a step.
constexpr auto FinalWait = 1500us;
constexpr auto LongestSleep = 10ms;
// Peers, tempo and faults shown while no piece keeps time here.
constexpr auto WatchInterval = 250ms;
// A tempo change smaller than this is the same tempo.
constexpr double TempoTolerance = 1e-3;

} // namespace

SyncCoordinator::SyncCoordinator(QObject* parent)
    : QObject(parent)
{
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &SyncCoordinator::Service);
    watch_.setInterval(WatchInterval);
    connect(&watch_, &QTimer::timeout, this, &SyncCoordinator::Watch);
}

// The clock input goes first: its thread reaches into this object.
SyncCoordinator::~SyncCoordinator()
{
    clockInput_.reset();
}

bool SyncCoordinator::DrivesPieces() const
{
    switch (choice_.source) {
    case SyncSource::Off:
        return false;
    case SyncSource::Link:
        return LinkJoined();
    case SyncSource::FollowClock:
        return clockInput_ != nullptr;
    case SyncSource::SendClock:
    case SyncSource::FollowJack:
        break;
    }
    return true;
}

void SyncCoordinator::Choose(const SyncChoice& choice, bool joinLink)
{
    // A piece keeping time here keeps its source to its end.
    if (Running())
        pending_ = {choice, joinLink};
    else
        Apply(choice, joinLink);
}

void SyncCoordinator::Apply(const SyncChoice& choice, bool joinLink)
{
    const bool same = choice == choice_;
    choice_ = choice;
    fault_ = Fault::None;
    if (choice.source != SyncSource::Link)
        link_.reset();
    if (!same || choice.source != SyncSource::FollowClock)
        clockInput_.reset();
    if (choice.source != SyncSource::FollowJack)
        transport_.reset();
    switch (choice.source) {
    case SyncSource::Off:
    case SyncSource::SendClock:
        break;
    case SyncSource::Link:
        if (!link_)
            link_ = std::make_unique<music::LinkSession>(tempo_);
        if (joinLink) {
            link_->Join();
            linkTempo_ = link_->Tempo();
        }
        break;
    case SyncSource::FollowClock:
        if (!clockInput_) {
            follower_ = std::make_shared<music::MidiClockFollower>();
            // Heard on the library's thread: the follower takes it at once,
            // and the window's thread is woken to step on the pulse.
            auto sink = [this, follower = follower_](std::uint8_t status, music::SteadyTime at) {
                follower->Receive(status, at);
                QMetaObject::invokeMethod(this, &SyncCoordinator::Service, Qt::QueuedConnection);
            };
            const std::optional<std::string> port =
                choice.clockPort.empty() ? std::nullopt : std::optional(choice.clockPort);
            clockInput_ = music::MidiClockInput::Open(choice.api, port, sink);
        }
        if (!clockInput_)
            fault_ = Fault::ClockInputUnreachable;
        break;
    case SyncSource::FollowJack:
        if (!transport_ || transport_->ServerGone())
            transport_ = music::JackTransportReader::Open();
        if (!transport_)
            fault_ = Fault::NoJackServer;
        break;
    }
    if (choice.source == SyncSource::Off)
        watch_.stop();
    else
        watch_.start();
    Watch();
}

void SyncCoordinator::SetTempo(double tempo)
{
    tempo_ = tempo;
    if (LinkJoined() && std::abs(link_->Tempo() - tempo) > TempoTolerance) {
        link_->SetTempo(tempo);
        linkTempo_ = tempo;
    }
}

bool SyncCoordinator::Start(const music::MusicSettings& settings, ClockOut clockOut)
{
    if (!DrivesPieces())
        return false;
    tempo_ = settings.tempo;
    clockOut_ = std::move(clockOut);
    stepBeats_ = music::StepBeats(settings.stepNote);
    pulsesPerStep_ = music::PulsesPerStep(settings.stepNote);
    stepMicroseconds_ = music::StepMicroseconds(settings);
    nextStep_ = 1;
    lastSlot_.reset();
    lastTimeline_.reset();
    phase_ = Phase::Waiting;
    switch (choice_.source) {
    case SyncSource::Off:
        break;
    case SyncSource::Link:
        link_->StartAtNextBar();
        firstBeat_ = 0;
        phase_ = Phase::Rolling;
        break;
    case SyncSource::SendClock:
        // The program's own clock, as Off keeps it; the receiver hears where the piece starts.
        start_ = std::chrono::steady_clock::now();
        nextPulse_ = 0;
        if (clockOut_)
            clockOut_(music::SongPositionZero);
        phase_ = Phase::Rolling;
        break;
    case SyncSource::FollowClock: {
        // A Start that came before the piece was composed counts as one under way.
        const auto state = follower_->Read(std::chrono::steady_clock::now());
        startsSeen_ = state.starts;
        stopsSeen_ = state.stops;
        break;
    }
    case SyncSource::FollowJack:
        if (!transport_ || transport_->ServerGone())
            transport_ = music::JackTransportReader::Open();
        fault_ = transport_ ? Fault::None : Fault::NoJackServer;
        if (!transport_) {
            phase_ = Phase::Idle;
            Watch();
            return false;
        }
        break;
    }
    Watch();
    Service();
    return true;
}

void SyncCoordinator::Stop()
{
    if (phase_ == Phase::Idle)
        return;
    wake_.stop();
    if (choice_.source == SyncSource::SendClock && clockOut_ && nextPulse_ > pulsesPerStep_)
        clockOut_(music::ClockStop);
    if (choice_.source == SyncSource::Link && LinkJoined())
        link_->StopPlaying();
    phase_ = Phase::Idle;
    clockOut_ = nullptr;
    if (auto pending = std::exchange(pending_, std::nullopt))
        Apply(pending->first, pending->second);
    Watch();
}

void SyncCoordinator::RequestStop()
{
    wake_.stop();
    emit stopRequested();
}

void SyncCoordinator::Service()
{
    if (phase_ == Phase::Idle)
        return;
    const music::SteadyTime now = std::chrono::steady_clock::now();
    switch (choice_.source) {
    case SyncSource::Off:
        return;
    case SyncSource::SendClock:
        ServiceClockSender(now);
        return;
    case SyncSource::FollowClock:
        ServiceClockFollower(now);
        return;
    case SyncSource::Link:
    case SyncSource::FollowJack:
        break;
    }
    const std::optional<music::BeatTimeline> timeline = SharedTimeline(now);
    if (phase_ == Phase::Idle)
        return;
    if (!timeline) {
        wake_.start(LongestSleep);
        return;
    }
    const music::SteadyTime due = timeline->TimeAt(firstBeat_ + double(nextStep_ - 1) * stepBeats_);
    if (AwaitDue(due, now))
        FireStep(due);
}

std::optional<music::BeatTimeline> SyncCoordinator::SharedTimeline(music::SteadyTime now)
{
    if (choice_.source == SyncSource::Link) {
        // A peer sharing start and stop stopped the session.
        if (!link_->Playing()) {
            RequestStop();
            return std::nullopt;
        }
        return link_->Timeline();
    }
    const std::optional<music::TransportReading> reading =
        transport_ ? transport_->Read(tempo_) : std::optional<music::TransportReading>{};
    if (!reading) {
        // The server went away: the piece carries on at the last tempo.
        if (fault_ != Fault::JackServerGone && phase_ == Phase::Rolling) {
            fault_ = Fault::JackServerGone;
            Watch();
        }
        return phase_ == Phase::Rolling ? lastTimeline_ : std::nullopt;
    }
    if (phase_ == Phase::Waiting) {
        if (!reading->rolling)
            return std::nullopt;
        firstBeat_ = music::NextBoundary(reading->timeline.BeatAt(now), reading->beatsPerBar);
        phase_ = Phase::Rolling;
        Watch();
    } else if (!reading->rolling) {
        RequestStop();
        return std::nullopt;
    }
    // Relocated while rolling: the steps go on from the next step of the new place.
    const double beat = reading->timeline.BeatAt(now);
    const double nextBeat = firstBeat_ + double(nextStep_ - 1) * stepBeats_;
    if (nextBeat < beat - stepBeats_ || nextBeat > beat + 4 * reading->beatsPerBar)
        firstBeat_ = music::NextBoundary(beat, stepBeats_) - double(nextStep_ - 1) * stepBeats_;
    lastTimeline_ = reading->timeline;
    return reading->timeline;
}

// The clock's pulses and the piece's steps on one schedule of the program's
// own: step k is pulse k x (pulses a step), k steps after the start, as Off times it.
void SyncCoordinator::ServiceClockSender(music::SteadyTime now)
{
    const auto pulseTime = [this](long long pulse) {
        return start_ + std::chrono::nanoseconds(pulse * stepMicroseconds_ * 1000 / pulsesPerStep_);
    };
    const music::SteadyTime due = pulseTime(nextPulse_);
    if (!AwaitDue(due, now))
        return;
    const long long pulse = nextPulse_++;
    // Start comes with the first step, so the receiver's first beat is the first note.
    if (clockOut_ && pulse == pulsesPerStep_)
        clockOut_(music::ClockStart);
    // The step goes first: at the piece's end its Stop takes the pulse's place,
    // so Start to Stop spans exactly the piece's steps.
    if (pulse % pulsesPerStep_ == 0 && pulse / pulsesPerStep_ == nextStep_) {
        FireStep(due);
        if (phase_ == Phase::Idle)
            return;
    }
    if (clockOut_)
        clockOut_(music::ClockPulse);
    if (!wake_.isActive())
        wake_.start(0);
}

void SyncCoordinator::ServiceClockFollower(music::SteadyTime now)
{
    const music::MidiClockFollower::State state = follower_ ? follower_->Read(now)
                                                            : music::MidiClockFollower::State{};
    if (state.stops > stopsSeen_ && phase_ != Phase::Waiting) {
        RequestStop();
        return;
    }
    stopsSeen_ = state.stops;
    if (phase_ == Phase::Waiting) {
        if (state.starts > startsSeen_) {
            firstPulse_ = 0;
        } else if (state.rolling && state.pulse >= 0) {
            firstPulse_ = (state.pulse / pulsesPerStep_ + 1) * pulsesPerStep_;
        } else {
            wake_.start(LongestSleep);
            return;
        }
        startsSeen_ = state.starts;
        phase_ = Phase::Rolling;
        Watch();
    }
    // Silent pulses pause the piece where it stands; they resume it when they come back.
    const Phase phase = state.silent ? Phase::Paused : Phase::Rolling;
    if (phase != phase_) {
        phase_ = phase;
        Watch();
    }
    const long long stepPulse = firstPulse_ + (nextStep_ - 1) * pulsesPerStep_;
    if (phase_ == Phase::Rolling && state.pulse >= stepPulse) {
        // A pulse is heard up to a server cycle before the moment it was sent for.
        const music::SteadyTime slot = follower_->TimeOfPulse(stepPulse).value_or(state.lastPulse);
        if (AwaitDue(slot, now))
            FireStep(slot);
        return;
    }
    wake_.start(LongestSleep);
}

bool SyncCoordinator::AwaitDue(music::SteadyTime due, music::SteadyTime now)
{
    if (due - now > FinalWait) {
        const auto sleep = std::min<std::chrono::steady_clock::duration>(due - now - 1ms, LongestSleep);
        wake_.start(std::chrono::floor<std::chrono::milliseconds>(sleep));
        return false;
    }
    std::this_thread::sleep_until(due);
    return true;
}

void SyncCoordinator::FireStep(music::SteadyTime slot)
{
    lastSlot_ = slot;
    ++nextStep_;
    emit stepDue();
    // The step may have ended the piece, and Stop with it.
    if (phase_ != Phase::Idle && !wake_.isActive())
        wake_.start(0);
}

void SyncCoordinator::Watch()
{
    if (LinkJoined()) {
        const double tempo = link_->Tempo();
        if (std::abs(tempo - linkTempo_) > TempoTolerance) {
            linkTempo_ = tempo;
            tempo_ = tempo;
            emit tempoShared(tempo);
        }
    }
    const QString status = StatusText();
    if (status != lastStatus_) {
        lastStatus_ = status;
        emit statusChanged(status);
    }
}

std::optional<double> SyncCoordinator::FollowedTempo() const
{
    if (choice_.source != SyncSource::FollowClock || !follower_)
        return std::nullopt;
    return follower_->Read(std::chrono::steady_clock::now()).tempo;
}

QString SyncCoordinator::StatusText() const
{
    const QString tempo = QString::number(tempo_, 'f', 1);
    switch (choice_.source) {
    case SyncSource::Off:
        return {};
    case SyncSource::Link: {
        if (!LinkJoined())
            return tr("Ableton Link chosen but not joined: choose Music → Sync → Ableton Link to join");
        // English has no plural forms file, so the two wordings are spelled out.
        const int peers = int(link_->Peers());
        const QString bpm = QString::number(linkTempo_, 'f', 1);
        return peers == 1 ? tr("Link: 1 peer at %1 BPM").arg(bpm) : tr("Link: %1 peers at %2 BPM").arg(peers).arg(bpm);
    }
    case SyncSource::SendClock:
        if (Running() && !clockOut_)
            return tr("MIDI clock goes only to an output to another program, not to the built-in synthesizer");
        return tr("Sending MIDI clock at %1 BPM").arg(tempo);
    case SyncSource::FollowClock: {
        if (fault_ == Fault::ClockInputUnreachable)
            return tr("The MIDI clock input cannot be reached: the piece plays on its own clock");
        const QString port = QString::fromStdString(clockInput_->Name());
        const auto state = follower_->Read(std::chrono::steady_clock::now());
        if (phase_ == Phase::Waiting)
            return tr("Waiting for MIDI clock Start on %1").arg(port);
        if (phase_ == Phase::Paused)
            return tr("The MIDI clock on %1 stopped coming: the piece is paused").arg(port);
        if (!state.tempo)
            return tr("Following MIDI clock on %1").arg(port);
        return tr("Following MIDI clock on %1 at %2 BPM").arg(port, QString::number(*state.tempo, 'f', 1));
    }
    case SyncSource::FollowJack:
        if (fault_ == Fault::NoJackServer)
            return tr("No JACK server answers: the JACK transport cannot be followed");
        if (fault_ == Fault::JackServerGone)
            return tr("The JACK server went away: the piece carries on at %1 BPM")
                .arg(QString::number(lastTimeline_ ? lastTimeline_->tempo : tempo_, 'f', 1));
        if (phase_ == Phase::Waiting)
            return tr("Waiting for the JACK transport to roll");
        return tr("Following the JACK transport");
    }
    return {};
}
