#pragma once

#include "sync_timeline.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/transport.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <vector>

// A JACK client of the test's own: a MIDI input that keeps what it hears
// with its frame, a MIDI output that plays a clock at `tempo` (keeping the
// moment each pulse was sent for, on JACK's clock), and optionally the
// transport's timebase master in 4/4 at the tempo it starts with.
struct JackPeer
{
    struct Heard
    {
        std::uint8_t status;
        jack_nframes_t frame;
    };

    explicit JackPeer(bool timebase = false, double startTempo = 120)
        : tempo(startTempo)
    {
        client = jack_client_open("peer", JackNoStartServer, nullptr);
        in = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        out = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        rate = jack_get_sample_rate(client);
        jack_set_process_callback(client, [](jack_nframes_t n, void* self) { return static_cast<JackPeer*>(self)->Process(n); }, this);
        if (timebase)
            jack_set_timebase_callback(client, 0, [](jack_transport_state_t, jack_nframes_t, jack_position_t* p, int, void* self) {
                const double bpm = static_cast<JackPeer*>(self)->tempo.load();
                const double beats = double(p->frame) / p->frame_rate * bpm / 60.0;
                p->valid = JackPositionBBT;
                p->beats_per_bar = 4;
                p->beat_type = 4;
                p->ticks_per_beat = 1920;
                p->beats_per_minute = bpm;
                p->bar = int32_t(beats / 4) + 1;
                p->beat = int32_t(std::fmod(beats, 4.0)) + 1;
                p->tick = (beats - std::floor(beats)) * 1920;
            }, this);
        jack_activate(client);
    }
    ~JackPeer() { jack_client_close(client); }

    int Process(jack_nframes_t frames)
    {
        const jack_nframes_t cycle = jack_last_frame_time(client);
        void* heard = jack_port_get_buffer(in, frames);
        jack_midi_event_t e;
        {
            const std::lock_guard lock(mutex);
            for (jack_nframes_t i = 0; jack_midi_event_get(&e, heard, i) == 0; ++i)
                received.push_back({e.buffer[0], cycle + e.time});
        }
        void* sent = jack_port_get_buffer(out, frames);
        jack_midi_clear_buffer(sent);
        const auto send = [sent](jack_nframes_t at, std::uint8_t status) { jack_midi_event_write(sent, at, &status, 1); };
        // Pulses on the real clock, 24 a quarter note at the tempo asked for,
        // each at the frame of this cycle that falls at its time.
        jack_nframes_t cycleFrame;
        jack_time_t cycleStart, cycleEnd;
        float period;
        jack_get_cycle_times(client, &cycleFrame, &cycleStart, &cycleEnd, &period);
        if (const std::uint8_t status = command.exchange(0)) {
            send(0, status);
            nextPulse = double(cycleStart);
            clocking = status == music::ClockStartStatus;
        }
        for (; clocking && nextPulse < double(cycleEnd); nextPulse += 60e6 / (tempo.load() * 24)) {
            const double offset = (nextPulse - double(cycleStart)) / double(cycleEnd - cycleStart) * frames;
            send(jack_nframes_t(std::clamp(offset, 0.0, double(frames - 1))), music::ClockPulseStatus);
            const std::lock_guard lock(mutex);
            pulsesSent.push_back(jack_time_t(nextPulse));
        }
        return 0;
    }

    std::vector<Heard> Received()
    {
        const std::lock_guard lock(mutex);
        return received;
    }

    jack_client_t* client;
    jack_port_t* in;
    jack_port_t* out;
    double rate;
    std::mutex mutex;
    std::vector<Heard> received;
    std::vector<jack_time_t> pulsesSent;
    std::atomic<std::uint8_t> command{0};
    std::atomic<double> tempo{120};
    double nextPulse = 0;
    bool clocking = false;
};

