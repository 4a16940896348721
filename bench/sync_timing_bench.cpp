// Where each step's messages go out against its slot on the timeline it
// shares, under each sync source: a piece at length 400 (239 steps from
// the default view) of thirty-seconds at 150 beats a minute (50 ms a step),
// on a recording output. The slots come from outside the program where
// there is an outside: a Link peer of the benchmark's own, the pulses a
// JACK client sent, the JACK transport.
//
// Whatever enables Link runs in a private network namespace with loopback
// alone: the program runs itself again inside one, or leaves Link out.

#include "jack_peer.h"
#include "jack_server.h"
#include "offscreen_platform.h"
#include "outline_point.h"
#include "private_network.h"
#include "session.h"

#include <ableton/Link.hpp>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

using namespace std::chrono_literals;
using music::SteadyTime;
using music::SyncSource;

constexpr int Steps = 400;
constexpr double Tempo = 150;
constexpr double StepBeats = 0.125;
constexpr double StepMilliseconds = 60000.0 / Tempo * StepBeats;

void Wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// JACK's clock against the steady clock, read together.
SteadyTime ToSteady(jack_time_t at)
{
    return std::chrono::steady_clock::now() + std::chrono::microseconds(static_cast<long long>(at) - static_cast<long long>(jack_get_time()));
}

// The piece's own port for Send MIDI Clock: the clock goes only to another
// program's output, so the recorder stands in for one.
struct RecordingPort : music::ExternalMidiOut
{
    explicit RecordingPort(RecordingMidiOut& recorder) : recorder(recorder) {}
    bool DeviceAvailable() override { return true; }
    bool Open() override { return recorder.Open(); }
    void Send(const music::MidiMessage& message) override { recorder.Send(message); }
    void SilenceAll() override { recorder.SilenceAll(); }
    void Close() override { recorder.Close(); }
    bool TakePortLost() override { return false; }
    RecordingMidiOut& recorder;
};

// Plays the piece; for every step that sends a note, how far (ms) its first
// message strayed from its slot, as `deviation` says given the step and the moment.
template <typename Deviation>
std::vector<double> Play(Session& session, RecordingMidiOut& recorder, Deviation deviation)
{
    music::MusicSettings settings;
    settings.tempo = Tempo;
    settings.stepNote = music::StepNote::ThirtySecond;
    session.controller.SetMusicSettings(settings);
    session.DrawAndTrace(1);
    session.controller.SetLengthText(QString::number(Steps));
    const auto point = OutlinePointOnRow(session.controller.Outline());
    std::vector<double> deviations;
    std::size_t seen = 0;
    const auto onStep = [&] {
        const auto& calls = recorder.Calls();
        const int step = session.controller.Player().Position();
        for (; seen < calls.size(); ++seen) {
            const auto& call = calls[seen];
            if (call.kind == RecordingMidiOut::Kind::Send && call.message.status < 0xF0 && step > 0
                && call.message.Kind() != music::ProgramChangeKind) {
                deviations.push_back(deviation(step, call.time));
                seen = calls.size();
            }
        }
    };
    QEventLoop piece;
    QObject::connect(&session.controller.Sync(), &SyncCoordinator::stepDue, &piece, onStep);
    QObject::connect(&session.controller.Timer(), &MusicTimer::Tick, &piece, onStep);
    QObject::connect(&session.controller, &Controller::commandsChanged, &piece, [&] {
        if (session.controller.CurrentState() != State::Playing)
            piece.quit();
    });
    session.ComposeAt(float(point->x()), float(point->y()));
    QTimer::singleShot(Steps * StepMilliseconds + 15000, &piece, &QEventLoop::quit);
    piece.exec();
    return deviations;
}

void Report(benchmark::State& state, std::vector<double> deviations)
{
    if (std::getenv("SYNC_BENCH_DUMP"))
        for (double d : deviations)
            std::fprintf(stderr, "%.2f ", d);
    if (deviations.size() < 100) {
        state.SkipWithError("the piece did not play through");
        return;
    }
    // Drift: the last fifty steps' mean deviation against the first fifty's.
    const auto mean = [](auto first, auto last) { return std::accumulate(first, last, 0.0) / double(last - first); };
    state.counters["drift_ms"] = mean(deviations.end() - 50, deviations.end()) - mean(deviations.begin(), deviations.begin() + 50);
    for (double& d : deviations)
        d = std::abs(d);
    state.counters["mean_ms"] = mean(deviations.begin(), deviations.end());
    state.counters["worst_ms"] = *std::max_element(deviations.begin(), deviations.end());
    state.counters["steps"] = double(deviations.size());
}

// Off and Send MIDI Clock: the program's own clock, step k k steps after the start.
void OwnClock(benchmark::State& state, SyncSource source)
{
    for (auto _ : state) {
        Session session;
        RecordingMidiOut port;
        session.controller.SetExternalOutputFactory([&port](const OutputChoice&) { return std::make_unique<RecordingPort>(port); });
        RecordingMidiOut& recorder = source == SyncSource::SendClock ? port : session.output;
        if (source == SyncSource::SendClock)
            session.controller.SetOutputChoice(OwnPortOutput);
        session.controller.SetSyncChoice({source, {}, {}}, true);
        std::optional<SteadyTime> start;
        Report(state, Play(session, recorder, [&](int step, SteadyTime at) {
            // Step 0 is the program changes, sent as the piece starts.
            for (const auto& call : recorder.Calls())
                if (!start && call.kind == RecordingMidiOut::Kind::Send && call.message.Kind() == music::ProgramChangeKind)
                    start = call.time;
            return std::chrono::duration<double, std::milli>(at - (*start + std::chrono::duration<double, std::milli>(step * StepMilliseconds))).count();
        }));
    }
}

void LinkPeer(benchmark::State& state)
{
    for (auto _ : state) {
        if (!InPrivateNetwork()) {
            state.SkipWithError(PrivateNetworkFailure());
            return;
        }
        ableton::Link peer(Tempo);
        peer.enable(true);
        Session session;
        session.controller.SetSyncChoice({SyncSource::Link, {}, {}}, true);
        for (int i = 0; i < 100 && peer.numPeers() == 0; ++i)
            Wait(100);
        Report(state, Play(session, session.output, [&](int, SteadyTime at) {
            // Off the peer's grid of thirty-seconds, signed.
            const auto peerNow = peer.clock().micros();
            const auto beat = peer.captureAppSessionState().beatAtTime(
                peerNow + std::chrono::duration_cast<std::chrono::microseconds>(at - std::chrono::steady_clock::now()),
                music::LinkQuantum);
            return (beat / StepBeats - std::round(beat / StepBeats)) * StepMilliseconds;
        }));
    }
}

// Following a JACK client's clock: step k on its pulse (k - 1) x 3 after Start.
void FollowClock(benchmark::State& state)
{
    for (auto _ : state) {
        const JackServer server(128);
        if (!server.failure.empty()) {
            state.SkipWithError(server.failure.c_str());
            return;
        }
        JackPeer peer(false, Tempo);
        Session session;
        session.controller.SetSyncChoice({SyncSource::FollowClock, music::ExternalMidiApi::Jack, {}}, true);
        jack_connect(peer.client, "peer:out", "Velmora:Velmora Clock In");
        QTimer::singleShot(500, [&peer] { peer.command = music::ClockStartStatus; });
        Report(state, Play(session, session.output, [&](int step, SteadyTime at) {
            const std::lock_guard lock(peer.mutex);
            const std::size_t pulse = std::size_t(step - 1) * std::size_t(music::PulsesPerStep(music::StepNote::ThirtySecond));
            return pulse < peer.pulsesSent.size()
                       ? std::chrono::duration<double, std::milli>(at - ToSteady(peer.pulsesSent[pulse])).count()
                       : 1e9;
        }));
    }
}

// Following the JACK transport, rolled by a timebase master at the tempo.
void FollowTransport(benchmark::State& state)
{
    for (auto _ : state) {
        const JackServer server(128);
        if (!server.failure.empty()) {
            state.SkipWithError(server.failure.c_str());
            return;
        }
        JackPeer master(true, Tempo);
        Session session;
        session.controller.SetSyncChoice({SyncSource::FollowJack, {}, {}}, true);
        QTimer::singleShot(300, [&master] { jack_transport_start(master.client); });
        Report(state, Play(session, session.output, [&](int, SteadyTime at) {
            // The transport's beat at that moment, off the grid of thirty-seconds.
            jack_position_t position;
            jack_transport_query(master.client, &position);
            const double seconds = double(position.frame) / position.frame_rate
                                   + double(jack_get_time() - position.usecs) / 1e6
                                   - std::chrono::duration<double>(std::chrono::steady_clock::now() - at).count();
            const double beat = seconds * Tempo / 60.0;
            return (beat / StepBeats - std::round(beat / StepBeats)) * StepMilliseconds;
        }));
    }
}

} // namespace

BENCHMARK_CAPTURE(OwnClock, Off, SyncSource::Off)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(OwnClock, SendMidiClock, SyncSource::SendClock)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(LinkPeer)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FollowClock)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FollowTransport)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char* argv[])
{
    RunInPrivateNetwork(argc, argv);
    UseOffscreenPlatformUnlessChosen();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
