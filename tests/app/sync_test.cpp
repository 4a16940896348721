#include "controller_rig.h"
#include "jack_server.h"
#include "private_network.h"

#include <ableton/Link.hpp>
#include <jack/midiport.h>
#include <jack/transport.h>

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>

namespace {

using namespace app_test;
using namespace std::chrono_literals;
using music::SyncSource;

// Each step's slot on the shared timeline, as the coordinator gave it.
struct SlotRecorder
{
    explicit SlotRecorder(const SyncCoordinator& sync)
    {
        QObject::connect(&sync, &SyncCoordinator::stepDue, [this, &sync] { times.push_back(*sync.LastSlot()); });
    }
    std::vector<music::SteadyTime> times;
};

void UseTiming(ControllerRig& rig, double tempo, music::StepNote note)
{
    music::MusicSettings settings;
    settings.tempo = tempo;
    settings.stepNote = note;
    ASSERT_EQ(rig.controller.SetMusicSettings(settings), music::SettingsFault::None);
}

// A piece of `length` steps from the rig's outline.
void PlayPiece(ControllerRig& rig, int length = 8)
{
    rig.controller.SetLengthText(QString::number(length));
    rig.DrawAndTrace();
    rig.controller.Compose();
    rig.controller.Press(398, 0);
    ASSERT_EQ(rig.controller.CurrentState(), State::Playing);
}

bool PlaysOut(ControllerRig& rig, int milliseconds)
{
    return QTest::qWaitFor([&] { return rig.controller.CurrentState() == State::Played; }, milliseconds);
}

// Beats against a grid of `spacing` beats, in milliseconds at the tempo: how far off the grid.
double MillisecondsOffGrid(double beat, double spacing, double tempo)
{
    const double off = beat / spacing - std::round(beat / spacing);
    return std::abs(off * spacing * 60000.0 / tempo);
}

TEST(LinkSync, TwoPeersShareTempoBothWaysAndEveryStepLandsOnThePeersBeatGridFromItsNextBar)
{
    if (!InPrivateNetwork())
        GTEST_SKIP() << PrivateNetworkFailure();
    ableton::Link peer(120);
    peer.enableStartStopSync(true);
    peer.enable(true);
    ControllerRig rig;
    rig.controller.SetSyncChoice({SyncSource::Link, {}, {}}, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer.numPeers() == 1 && rig.controller.Sync().Link()->Peers() == 1; },
                                10000));
    const auto peerTempo = [&] { return peer.captureAppSessionState().tempo(); };
    UseTiming(rig, 150, music::StepNote::ThirtySecond);  // Velmora's tempo goes to the session
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(peerTempo() - 150) < 0.01; }, 3000)) << peerTempo();
    auto state = peer.captureAppSessionState();
    state.setTempo(140, peer.clock().micros());  // and the peer's comes back
    peer.commitAppSessionState(state);
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(rig.controller.MusicSettings().tempo - 140) < 0.01; }, 3000));

    SlotRecorder recorder(rig.controller.Sync());
    PlayPiece(rig, 64);
    EXPECT_TRUE(QTest::qWaitFor([&] { return peer.captureAppSessionState().isPlaying(); }, 2000))
        << "the piece's start is shared";
    ASSERT_TRUE(PlaysOut(rig, 20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !peer.captureAppSessionState().isPlaying(); }, 2000)) << "so is its end";
    ASSERT_EQ(recorder.times.size(), 66u);
    // Every step on the peer's grid of thirty-seconds, the first on a bar line.
    const auto peerNow = peer.clock().micros();
    const auto steadyNow = std::chrono::steady_clock::now();
    const auto peerState = peer.captureAppSessionState();
    const auto peerBeat = [&](music::SteadyTime slot) {
        return peerState.phaseAtTime(
            peerNow + std::chrono::duration_cast<std::chrono::microseconds>(slot - steadyNow), music::LinkQuantum);
    };
    for (std::size_t k = 0; k < recorder.times.size(); ++k)
        EXPECT_LE(MillisecondsOffGrid(peerBeat(recorder.times[k]), 0.125, 140), 2.0) << "step " << k + 1;
    EXPECT_LE(MillisecondsOffGrid(peerBeat(recorder.times[0]), music::LinkQuantum, 140), 2.0) << "step 1";
}

// A JACK client of the test's own: a MIDI input that keeps what it hears
// with its frame, a MIDI output that can play a clock, and optionally the
// transport's timebase master at 120 beats a minute in 4/4.
struct JackPeer
{
    struct Heard
    {
        std::uint8_t status;
        jack_nframes_t frame;
    };

    explicit JackPeer(bool timebase = false)
    {
        client = jack_client_open("peer", JackNoStartServer, nullptr);
        in = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        out = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        rate = jack_get_sample_rate(client);
        jack_set_process_callback(client, [](jack_nframes_t n, void* self) { return static_cast<JackPeer*>(self)->Process(n); }, this);
        if (timebase)
            jack_set_timebase_callback(client, 0, [](jack_transport_state_t, jack_nframes_t, jack_position_t* p, int, void*) {
                const double beats = double(p->frame) / p->frame_rate * 2.0;  // 120 beats a minute
                p->valid = JackPositionBBT;
                p->beats_per_bar = 4;
                p->beat_type = 4;
                p->ticks_per_beat = 1920;
                p->beats_per_minute = 120;
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
    std::atomic<std::uint8_t> command{0};
    std::atomic<double> tempo{120};
    double nextPulse = 0;
    bool clocking = false;
};

TEST(MidiClockSync, SentToAJackPortItGivesSongPositionThenStartWithTheFirstStepAndPulsesEachStepToTheStop)
{
    const JackServer server;
    if (!server.failure.empty())
        GTEST_SKIP() << "no JACK server for the test: " << server.failure;
    JackPeer peer;
    ControllerRig rig;
    rig.controller.SetOutputChoice({OutputChoice::Kind::Port, music::ExternalMidiApi::Jack, "peer:in"});
    rig.controller.SetSyncChoice({SyncSource::SendClock, {}, {}}, true);
    UseTiming(rig, 150, music::StepNote::Sixteenth);  // nine steps of 100 ms, 6 pulses each
    PlayPiece(rig);
    ASSERT_TRUE(PlaysOut(rig, 10000));
    std::vector<JackPeer::Heard> clock;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        clock.clear();
        for (const auto& heard : peer.Received())
            if (heard.status >= 0xF0)
                clock.push_back(heard);
        return !clock.empty() && clock.back().status == music::ClockStopStatus;
    }, 3000));
    ASSERT_GE(clock.size(), 3u);
    EXPECT_EQ(clock.front().status, music::SongPositionStatus);
    const auto start = std::find_if(clock.begin(), clock.end(), [](auto& h) { return h.status == music::ClockStartStatus; });
    ASSERT_NE(start, clock.end());
    EXPECT_EQ(std::count_if(clock.begin(), start, [](auto& h) { return h.status == music::ClockPulseStatus; }), 6)
        << "one step's pulses before the first step";
    EXPECT_EQ(std::count_if(start, clock.end(), [](auto& h) { return h.status == music::ClockPulseStatus; }), 9 * 6);
    EXPECT_EQ(clock.back().status, music::ClockStopStatus);
    // From the first pulse after Start to the Stop: 54 spacings of 1/24 of a 400 ms beat.
    const double span = (clock.back().frame - std::next(start)->frame) / peer.rate;
    EXPECT_NEAR(span / 54, 0.4 / 24, 0.4 / 24 * 0.03);
}

TEST(MidiClockSync, AFollowedClockGivesItsTempoWithinOneBeatStartsTheComposedPieceAndItsStopEndsIt)
{
    const JackServer server(128);  // cycles of 2.7 ms, so pulses arrive close to their frames
    if (!server.failure.empty())
        GTEST_SKIP() << "no JACK server for the test: " << server.failure;
    JackPeer peer;
    ControllerRig rig;
    rig.controller.SetSyncChoice({SyncSource::FollowClock, music::ExternalMidiApi::Jack, {}}, true);
    ASSERT_EQ(jack_connect(peer.client, "peer:out", "Velmora:Velmora Clock In"), 0);
    PlayPiece(rig, 64);
    QTest::qWait(300);
    EXPECT_EQ(rig.controller.Player().Position(), 0) << "the piece waits for Start";
    peer.command = music::ClockStartStatus;
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.controller.Player().Position() >= 5; }, 3000))
        << "Start starts it, a step every 6 pulses";
    const auto tempo = [&] { return rig.controller.Sync().FollowedTempo().value_or(0); };
    EXPECT_NEAR(tempo(), 120, 1.2);
    peer.tempo = 100;
    // One beat at 100 is 600 ms; a few pulses more for those on their way.
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(tempo() - 100) < 1.0; }, 700)) << tempo();
    peer.command = music::ClockStopStatus;
    EXPECT_TRUE(PlaysOut(rig, 2000)) << "Stop ends the piece";
}

TEST(JackTransportSync, ThePieceStartsOnTheTransportsNextBarItsStepsFollowTheBeatsAndItStopsWithTheTransport)
{
    const JackServer server(128);
    if (!server.failure.empty())
        GTEST_SKIP() << "no JACK server for the test: " << server.failure;
    JackPeer master(true);
    jack_transport_locate(master.client, jack_nframes_t(master.rate * 0.75));  // beat 1.5 of bar 1
    ControllerRig rig;
    rig.controller.SetSyncChoice({SyncSource::FollowJack, {}, {}}, true);
    // The transport's beat when each step is due, from its position in the cycle under way.
    std::vector<double> beats;
    QObject::connect(&rig.controller.Sync(), &SyncCoordinator::stepDue, [&] {
        jack_position_t position;
        jack_transport_query(master.client, &position);
        const double late = std::chrono::duration<double>(std::chrono::steady_clock::now() - *rig.controller.Sync().LastSlot()).count();
        beats.push_back((double(position.frame) / position.frame_rate + double(jack_get_time() - position.usecs) / 1e6 - late) * 2.0);
    });
    UseTiming(rig, 75, music::StepNote::Eighth);
    PlayPiece(rig, 64);
    QTest::qWait(300);
    EXPECT_TRUE(beats.empty()) << "the piece waits for the transport to roll";
    jack_transport_start(master.client);
    ASSERT_TRUE(QTest::qWaitFor([&] { return beats.size() >= 6; }, 5000));
    EXPECT_NEAR(beats[0], 4.0, 0.004) << "bar 2, within 2 ms";
    for (std::size_t k = 1; k < beats.size(); ++k)
        EXPECT_NEAR(beats[k], 4.0 + 0.5 * double(k), 0.004) << "step " << k;
    jack_transport_stop(master.client);
    EXPECT_TRUE(PlaysOut(rig, 2000)) << "the transport's stop ends the piece";
}

} // namespace
