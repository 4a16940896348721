#pragma once

#include "sync_timeline.h"

#include <atomic>
#include <memory>
#include <optional>

typedef struct _jack_client jack_client_t;

namespace music {

// Where the JACK server's transport stands: rolling or not, and its beats
// against time, counted from its start (bar 1, beat 1 is beat 0).
struct TransportReading
{
    bool rolling = false;
    BeatTimeline timeline;
    double beatsPerBar = 4;
    // Whether a timebase master gives bars, beats and a tempo; without one
    // the beats are counted from the frames at the tempo handed in.
    bool hasBarsAndBeats = false;
};

// Reads the JACK transport through a client of its own with no ports.
// Reading takes no lock and no round trip to the server, so the window may
// read it as often as it likes.
class JackTransportReader
{
public:
    // Nothing when no JACK server takes the client within a moment.
    static std::unique_ptr<JackTransportReader> Open();
    ~JackTransportReader();
    JackTransportReader(const JackTransportReader&) = delete;
    JackTransportReader& operator=(const JackTransportReader&) = delete;

    // Nothing once the server has gone away or stopped.
    std::optional<TransportReading> Read(double tempoWithoutMaster) const;
    bool ServerGone() const { return gone_->load(); }

private:
    JackTransportReader() = default;

    jack_client_t* client_ = nullptr;
    // Set by the server's shutdown callback, which may come after a close
    // that timed out: shared so it never writes into a destroyed reader.
    std::shared_ptr<std::atomic<bool>> gone_ = std::make_shared<std::atomic<bool>>(false);
};

} // namespace music
