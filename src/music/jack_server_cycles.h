#pragma once

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

namespace music {

// Counts the JACK server's process cycles, through a client of its own with
// no ports: the library's client offers no way to see them. It also hears
// when the server shuts down or dies, which the library's client keeps to itself.
class ServerCycles
{
public:
    // Nothing when no server takes the client. serverGone must outlive it.
    static std::unique_ptr<ServerCycles> Start(std::atomic<bool>& serverGone)
    {
        auto cycles = std::unique_ptr<ServerCycles>(new ServerCycles);
        cycles->client_ = jack_client_open("Velmora timing", JackNoStartServer, nullptr);
        if (!cycles->client_)
            return nullptr;
        jack_set_process_callback(cycles->client_, [](jack_nframes_t, void* self) {
            static_cast<ServerCycles*>(self)->count_.fetch_add(1, std::memory_order_release);
            return 0;
        }, cycles.get());
        jack_on_shutdown(cycles->client_, [](void* gone) { static_cast<std::atomic<bool>*>(gone)->store(true); },
                         &serverGone);
        if (jack_activate(cycles->client_) != 0)
            return nullptr;
        return cycles;
    }
    ~ServerCycles()
    {
        if (client_)
            jack_client_close(client_);
    }

    // Returns once `count` more cycles have begun, or after the patience.
    void Await(int count, std::chrono::milliseconds patience) const
    {
        const std::uint64_t until = count_.load(std::memory_order_acquire) + static_cast<std::uint64_t>(count);
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (count_.load(std::memory_order_acquire) < until && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

private:
    ServerCycles() = default;

    jack_client_t* client_ = nullptr;
    std::atomic<std::uint64_t> count_{0};
};

} // namespace music
