#include "link_session.h"

#include <ableton/Link.hpp>

namespace music {

// Link keeps time on its own clock (CLOCK_MONOTONIC_RAW); every conversion
// reads both clocks afresh, so the two never drift apart in between.
struct LinkSession::Session
{
    explicit Session(double tempo)
        : link(tempo)
    {
    }

    struct Now
    {
        std::chrono::microseconds link;
        SteadyTime steady;
    };
    Now ReadClocks() const { return {link.clock().micros(), std::chrono::steady_clock::now()}; }
    static SteadyTime ToSteady(std::chrono::microseconds time, const Now& now)
    {
        return now.steady + (time - now.link);
    }

    ableton::Link link;
};

LinkSession::LinkSession(double tempo)
    : session_(std::make_unique<Session>(tempo))
{
}

LinkSession::~LinkSession()
{
    Leave();
}

void LinkSession::Join()
{
    session_->link.enableStartStopSync(true);
    session_->link.enable(true);
}

void LinkSession::Leave()
{
    if (session_->link.isEnabled())
        session_->link.enable(false);
}

bool LinkSession::Joined() const
{
    return session_->link.isEnabled();
}

std::size_t LinkSession::Peers() const
{
    return session_->link.numPeers();
}

BeatTimeline LinkSession::Timeline() const
{
    const auto state = session_->link.captureAppSessionState();
    const Session::Now now = session_->ReadClocks();
    return {state.beatAtTime(now.link, LinkQuantum), now.steady, state.tempo()};
}

double LinkSession::Tempo() const
{
    return session_->link.captureAppSessionState().tempo();
}

void LinkSession::SetTempo(double tempo)
{
    auto state = session_->link.captureAppSessionState();
    state.setTempo(tempo, session_->link.clock().micros());
    session_->link.commitAppSessionState(state);
}

SteadyTime LinkSession::StartAtNextBar()
{
    auto state = session_->link.captureAppSessionState();
    const Session::Now now = session_->ReadClocks();
    // A session that already plays keeps its start; only the bar line is looked for.
    if (state.isPlaying())
        state.requestBeatAtTime(0, now.link, LinkQuantum);
    else
        state.setIsPlayingAndRequestBeatAtTime(true, now.link, 0, LinkQuantum);
    session_->link.commitAppSessionState(state);
    return Session::ToSteady(state.timeAtBeat(0, LinkQuantum), now);
}

bool LinkSession::Playing() const
{
    return session_->link.captureAppSessionState().isPlaying();
}

void LinkSession::StopPlaying()
{
    auto state = session_->link.captureAppSessionState();
    state.setIsPlaying(false, session_->link.clock().micros());
    session_->link.commitAppSessionState(state);
}

} // namespace music
