#include "jack_transport_reader.h"

#include <jack/jack.h>
#include <jack/transport.h>

#include <future>
#include <thread>

namespace music {

namespace {

constexpr std::chrono::milliseconds AnswerPatience{1000};

void Gone(void* flag)
{
    static_cast<std::atomic<bool>*>(flag)->store(true);
}

} // namespace

std::unique_ptr<JackTransportReader> JackTransportReader::Open()
{
    auto reader = std::unique_ptr<JackTransportReader>(new JackTransportReader);
    auto gone = reader->gone_;
    // A server that does not answer holds up only the thread that asked it.
    auto opening = std::make_shared<std::packaged_task<jack_client_t*()>>([gone]() -> jack_client_t* {
        jack_client_t* client = jack_client_open("Velmora transport", JackNoStartServer, nullptr);
        if (!client)
            return nullptr;
        jack_on_shutdown(client, Gone, gone.get());
        if (jack_activate(client) != 0) {
            jack_client_close(client);
            return nullptr;
        }
        return client;
    });
    std::future<jack_client_t*> opened = opening->get_future();
    std::thread([opening, gone] { (*opening)(); }).detach();
    if (opened.wait_for(AnswerPatience) != std::future_status::ready)
        return nullptr;
    reader->client_ = opened.get();
    if (!reader->client_)
        return nullptr;
    return reader;
}

JackTransportReader::~JackTransportReader()
{
    if (!client_)
        return;
    // A server that is gone or stuck is not waited for.
    auto closing = std::make_shared<std::packaged_task<void()>>([client = client_, gone = gone_] {
        jack_client_close(client);
    });
    std::future<void> closed = closing->get_future();
    std::thread thread([closing] { (*closing)(); });
    if (closed.wait_for(AnswerPatience) == std::future_status::ready)
        thread.join();
    else
        thread.detach();
}

std::optional<TransportReading> JackTransportReader::Read(double tempoWithoutMaster) const
{
    if (gone_->load())
        return std::nullopt;
    jack_position_t position{};
    const jack_transport_state_t state = jack_transport_query(client_, &position);
    const jack_time_t jackNow = jack_get_time();
    const SteadyTime now = std::chrono::steady_clock::now();
    TransportReading reading;
    reading.rolling = state == JackTransportRolling;
    // The position is that of the current cycle's start, position.usecs on JACK's clock.
    const auto age = std::chrono::microseconds(static_cast<long long>(jackNow) - static_cast<long long>(position.usecs));
    reading.timeline.at = position.usecs != 0 ? now - age : now;
    if ((position.valid & JackPositionBBT) && position.beats_per_minute > 0 && position.ticks_per_beat > 0
        && position.bar > 0) {
        // JACK counts beats in its beat type's note; the timeline counts quarter notes.
        const double quarters = position.beat_type > 0 ? 4.0 / position.beat_type : 1.0;
        const double beats = (position.bar - 1) * double(position.beats_per_bar) + (position.beat - 1)
                             + position.tick / position.ticks_per_beat;
        reading.timeline.beat = beats * quarters;
        reading.timeline.tempo = position.beats_per_minute / quarters;
        reading.beatsPerBar = position.beats_per_bar * quarters;
        reading.hasBarsAndBeats = true;
    } else {
        const double seconds = position.frame_rate > 0 ? double(position.frame) / position.frame_rate : 0.0;
        reading.timeline.beat = seconds * tempoWithoutMaster / 60.0;
        reading.timeline.tempo = tempoWithoutMaster;
    }
    return reading;
}

} // namespace music
