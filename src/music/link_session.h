#pragma once

#include "sync_timeline.h"

#include <cstddef>
#include <memory>

namespace music {

// A peer of an Ableton Link session on the local network: its tempo shared
// both ways, its beats in phase over bars of four, and its start/stop state.
// Nothing goes on the network until Join: Link looks for peers by multicast
// on every interface from then until Leave or the end of the object.
// Every call is safe from any thread.
class LinkSession
{
public:
    explicit LinkSession(double tempo);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    void Join();
    void Leave();
    bool Joined() const;
    std::size_t Peers() const;

    // The session's beats against the steady clock now, at the session's tempo.
    BeatTimeline Timeline() const;
    double Tempo() const;
    void SetTempo(double tempo);

    // Maps beat 0 to the next bar line from now (at once when alone), so a
    // piece started there is in phase with every peer; with start/stop sync,
    // peers that share it start there too. Returns the time of beat 0.
    SteadyTime StartAtNextBar();
    // Whether the session plays, for peers sharing start/stop; and a stop
    // shared with them.
    bool Playing() const;
    void StopPlaying();

    struct Session;

private:
    std::unique_ptr<Session> session_;
};

} // namespace music
