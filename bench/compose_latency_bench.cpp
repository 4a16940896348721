#include "controller.h"
#include "fluid_synth_output.h"
#include "main_window.h"
#include "outline_point.h"
#include "picture_view.h"
#include "sequencer.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int High = 2;  // "高" in the accuracy list
// The longest walk the program allows: the most work before the first message.
constexpr int PieceLength = 800;
constexpr const char* OutputClosed =
    "the MIDI output did not open; without a sound card run under bench/with_null_audio.sh";

// Passes everything on to the real output and stamps the first message
// sent after it was armed.
class StampingOutput : public music::MidiOut
{
public:
    explicit StampingOutput(music::MidiOut& output) : output_(output) {}

    void Arm() { firstMessage_.reset(); }
    std::optional<Clock::time_point> FirstMessage() const { return firstMessage_; }
    bool IsOpen() const { return open_; }

    bool DeviceAvailable() override { return output_.DeviceAvailable(); }
    bool Open() override { return open_ = output_.Open(); }
    void Send(const music::MidiMessage& message) override
    {
        output_.Send(message);
        if (!firstMessage_)
            firstMessage_ = Clock::now();
    }
    void SilenceAll() override { output_.SilenceAll(); }
    void Close() override
    {
        output_.Close();
        open_ = false;
    }

private:
    music::MidiOut& output_;
    std::optional<Clock::time_point> firstMessage_;
    bool open_ = false;
};

// The program as main() builds it, with the real synthesizer behind a
// stamping output. The tests' Session cannot be used here: its output is
// always the recorder.
struct Program
{
    Program()
    {
        window.SetMessagePresenter({});
        window.show();
        QApplication::processEvents();
    }

    music::FluidSynthOutput synth;  // starts loading the SoundFont, as at start-up
    StampingOutput output{synth};
    ImmediateRenderRunner renderer;  // the press is measured, not the picture
    Controller controller{output, renderer};
    MainWindow window{controller};
};

void Wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void PrepareToPress(Program& program)
{
    program.window.AccuracyList()->setCurrentIndex(High);
    program.window.LengthBox()->setText(QString::number(PieceLength));
    program.controller.Draw();
    program.controller.Trace();
    program.controller.Compose();
}

// From the press on the picture, through the widget's own handler, to the
// first message handed to the synthesizer. The error is empty on success.
std::string TimedPress(Program& program, double& seconds)
{
    const auto point = OutlinePointOnRow(program.controller.Outline());
    if (!point)
        return "no outline on the press row";
    PictureView* picture = program.window.PictureArea();
    QMouseEvent press(QEvent::MouseButtonPress, *point, picture->mapToGlobal(*point), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    program.output.Arm();
    const auto start = Clock::now();
    QApplication::sendEvent(picture, &press);
    if (!program.output.IsOpen())
        return OutputClosed;
    if (program.controller.CurrentState() != State::Playing
        || program.controller.Melody().size() != std::size_t(PieceLength + 1))
        return "the walk did not complete";
    seconds = std::chrono::duration<double>(*program.output.FirstMessage() - start).count();
    return {};
}

// The program's first press: only start-up, a draw, a trace and the user's
// pause lie between the SoundFont starting to load and the press.
void BM_FirstPress(benchmark::State& state)
{
    const int userPauseMs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Program program;
        PrepareToPress(program);
        if (userPauseMs > 0)
            Wait(userPauseMs);
        double seconds = 0.0;
        if (const std::string error = TimedPress(program, seconds); !error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(seconds);
        program.controller.StopMusic();
    }
}
BENCHMARK(BM_FirstPress)->ArgName("user_pause_ms")->Arg(0)->Arg(1000)->Iterations(3)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Later pieces: the SoundFont is loaded, and each open only starts the
// driver. One piece ahead, off the clock, makes sure of the load.
void BM_RepeatedPress(benchmark::State& state)
{
    Program program;
    double seconds = 0.0;
    PrepareToPress(program);
    TimedPress(program, seconds);
    program.controller.StopMusic();
    for (auto _ : state) {
        PrepareToPress(program);
        if (const std::string error = TimedPress(program, seconds); !error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(seconds);
        program.controller.StopMusic();
    }
}
// A fixed count: every run also draws and traces, which the clock leaves out.
BENCHMARK(BM_RepeatedPress)->Iterations(100)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The MIDI share of a press alone: opening the loaded synthesizer and the
// melody's program change.
void BM_OpenToFirstProgramChange(benchmark::State& state)
{
    music::FluidSynthOutput synth;
    music::OpenOutput(synth);
    music::CloseOutput(synth);
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool open = music::OpenOutput(synth) == music::OpenOutcome::Opened;
        synth.Send(music::PieceStartMessages()[0]);
        const auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
        music::CloseOutput(synth);
        if (!open) {
            state.SkipWithError(OutputClosed);
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_OpenToFirstProgramChange)->Iterations(300)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
