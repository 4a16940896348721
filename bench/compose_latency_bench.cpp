#include "compose_latency.h"

#include "bench_window.h"
#include "midi_control.h"
#include "midi_platform.h"
#include "shared_state.h"
#include "start_point.h"
#include "toolkit.h"
#include "walk.h"

#include <QPushButton>

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int High = 2;
// The longest walk the program allows: the most work before the first message.
constexpr int PieceLength = 800;
constexpr const char* OutputClosed =
    "the MIDI output did not open; without a sound card run under bench/with_null_audio.sh";

struct PressResult
{
    double seconds = 0.0;
    std::string error;
};

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void PrepareToPress(BenchWindow& window)
{
    window.DrawAndTrace(High);
    window.SetLength(QString::number(PieceLength));
    window.ClickCompose();
}

// The press handler walks the outline, maps the notes, opens the output and
// sends the two program changes; after the first of them only the second,
// one button and the timer start remain, so the time until it returns
// exceeds the wait for the first message by some tens of microseconds.
PressResult TimedPress(BenchWindow& window)
{
    const auto point = OutlinePointOnRow(PressRow);
    if (!point)
        return {0.0, "no outline on the press row"};
    const auto start = Clock::now();
    window.PressAt(*point);
    const double seconds = SecondsSince(start);
    if (window.ShowedMessage(NoMidiDeviceMessage) || window.ShowedMessage(MidiDeviceUnusableMessage))
        return {seconds, OutputClosed};
    if (MelodyLength != PieceLength + 1 || !toolkit::IsMusicTimerEnabled())
        return {seconds, "the walk did not complete"};
    return {seconds, {}};
}

void StopPiece(BenchWindow& window)
{
    window.Form().StopMusic()->click();
}

// The program's first press: only the window, a draw and a trace (and any
// pause the user takes) lie between start-up and the press.
void FirstPress(benchmark::State& state, int userPauseMs)
{
    for (auto _ : state) {
        BenchWindow window;
        PrepareToPress(window);
        if (userPauseMs > 0)
            window.Wait(userPauseMs);
        const PressResult result = TimedPress(window);
        if (!result.error.empty()) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        state.SetIterationTime(result.seconds);
        StopPiece(window);
    }
}

// Later pieces: the SoundFont is loaded, each open only starts the driver.
// One piece ahead, untimed, makes sure of the load even when this runs alone.
void RepeatedPress(benchmark::State& state)
{
    BenchWindow window;
    PrepareToPress(window);
    TimedPress(window);
    StopPiece(window);
    for (auto _ : state) {
        PrepareToPress(window);
        const PressResult result = TimedPress(window);
        if (!result.error.empty()) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        state.SetIterationTime(result.seconds);
        StopPiece(window);
    }
}

// The MIDI share of the press alone: the open, then the melody's program
// change, checked to be accepted by the platform as ProgramChange sends it.
void OpenToFirstProgramChange(benchmark::State& state)
{
    BenchWindow window;
    OpenMidi();
    CloseMidi();
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool open = OpenMidi();
        const bool accepted = midi_platform::ShortMsg(MidiOutHandle, ProgramChangeWord(MelodyProgram, 0))
            == midi_platform::Ok;
        const double seconds = SecondsSince(start);
        CloseMidi();
        if (!open || !accepted) {
            state.SkipWithError(OutputClosed);
            break;
        }
        state.SetIterationTime(seconds);
    }
}

} // namespace

void RegisterComposeLatencyBenchmarks(const ComposeLatencyOptions& options)
{
    const std::string first = std::string("FirstPress/") + (options.cold ? "cold" : "prepared_at_start_up")
        + "/user_pause_ms:" + std::to_string(options.userPauseMs);
    benchmark::RegisterBenchmark(first.c_str(), FirstPress, options.userPauseMs)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    // Fixed counts: every run also draws and traces, which the clock leaves out.
    benchmark::RegisterBenchmark("RepeatedPress/length:800", RepeatedPress)
        ->Iterations(100)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("OpenMidiToFirstProgramChange", OpenToFirstProgramChange)
        ->Iterations(300)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}
