#include "controller_rig.h"
#include "jack_peer.h"
#include "jack_server.h"
#include "private_network.h"

#include <ableton/Link.hpp>
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
