// How long the window's thread is kept from its events while the
// synthesizer is slow or stuck: the first press after start-up, Stop Music
// and the next press while the sound server is stopped, and Quit while the
// SoundFont is still loading. Run through bench/window_blocking_probe.sh,
// which gives it a sound server of its own to stop.
#include "controller.h"
#include "fluid_synth_output.h"
#include "main_window.h"
#include "offscreen_platform.h"
#include "outline_point.h"
#include "picture_view.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <sys/stat.h>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double GoalMs = 50.0;

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// The longest gap between two beats of a 1 ms timer: the longest stretch
// in which the window's thread handled no event.
class Heartbeat
{
public:
    Heartbeat()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Beat(); });
    }
    void Start()
    {
        longest_ = {};
        last_ = Clock::now();
        timer_.start();
    }
    double LongestMs()
    {
        Beat();
        timer_.stop();
        return Milliseconds(longest_);
    }

private:
    void Beat()
    {
        const auto now = Clock::now();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    QTimer timer_;
    Clock::time_point last_;
    Clock::duration longest_{};
};

void Run(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The program as main() builds it, with the SoundFont given.
struct Program
{
    explicit Program(const std::string& soundFont) : output(soundFont)
    {
        window.SetMessagePresenter({});
        window.show();
        QApplication::processEvents();
    }
    music::FluidSynthOutput output;
    ImmediateRenderRunner renderer;  // the sound is probed here, not the picture
    Controller controller{output, renderer};
    MainWindow window{controller};
};

void ToStartPoint(Program& program)
{
    program.controller.Draw();
    program.controller.Trace();
    program.controller.Compose();
}

bool PressOnOutline(Program& program)
{
    const auto point = OutlinePointOnRow(program.controller.Outline());
    if (!point)
        return false;
    PictureView* picture = program.window.PictureArea();
    QMouseEvent press(QEvent::MouseButtonPress, *point, picture->mapToGlobal(*point), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(picture, &press);
    return program.controller.CurrentState() == State::Playing;
}

void Report(const char* what, double blockedMs, const std::string& note = {}, double goalMs = GoalMs)
{
    std::printf("%-58s %8.1f ms  %s%s\n", what, blockedMs, blockedMs < goalMs ? "within goal" : "OVER GOAL",
                note.empty() ? "" : ("  (" + note + ")").c_str());
}

void FirstPress(const std::string& soundFont, const char* what)
{
    Program program(soundFont);
    ToStartPoint(program);
    Heartbeat heartbeat;
    heartbeat.Start();
    const bool playing = PressOnOutline(program);
    Run(1000);
    Report(what, heartbeat.LongestMs(), playing ? "" : "the piece did not start");
    program.controller.StopMusic();
}

void StoppedSoundServer(pid_t server)
{
    Program program(music::DefaultSoundFontPath);
    Run(1000);  // the SoundFont loads
    ToStartPoint(program);
    if (!PressOnOutline(program)) {
        std::printf("stopped sound server: the piece did not start\n");
        return;
    }
    Run(500);
    const bool sounding = program.output.CurrentReadiness() == music::MidiOut::Readiness::Sounding;
    if (!sounding)
        std::printf("the sound server did not take the piece: is PULSE_SERVER right?\n");
    kill(server, SIGSTOP);
    Run(300);  // the driver's writes back up
    Heartbeat heartbeat;
    heartbeat.Start();
    program.window.StopMusicButton()->click();
    Run(500);
    Report("Stop Music, sound server stopped", heartbeat.LongestMs());
    ToStartPoint(program);
    heartbeat.Start();
    PressOnOutline(program);
    Run(500);
    Report("next press, sound server still stopped", heartbeat.LongestMs());
    program.controller.StopMusic();
    kill(server, SIGCONT);
}

void QuitDuringLoad(const std::string& stuckSoundFont)
{
    auto program = std::make_unique<Program>(stuckSoundFont);
    Heartbeat heartbeat;
    heartbeat.Start();
    const auto quit = Clock::now();
    program->window.QuitButton()->click();
    Run(100);
    Report("Quit while the SoundFont is loading", heartbeat.LongestMs());
    program.reset();
    Report("  from Quit to the program's end (goal: under 1 s)", Milliseconds(Clock::now() - quit), {}, 1000.0);
}

} // namespace

int main(int argc, char* argv[])
{
    UseOffscreenPlatformUnlessChosen();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));

    // A FIFO nobody writes to stands for the slowest disk: reading it never ends.
    const auto stuck = std::filesystem::temp_directory_path() / "velmora-probe-stuck.sf2";
    std::filesystem::remove(stuck);
    mkfifo(stuck.c_str(), 0600);

    std::printf("Longest time the window's thread handled no event (goal: under %.0f ms)\n", GoalMs);
    FirstPress(music::DefaultSoundFontPath, "first press after start-up");
    FirstPress(stuck.string(), "first press, SoundFont still loading");
    if (const char* server = std::getenv("VELMORA_SOUND_SERVER_PID"))
        StoppedSoundServer(static_cast<pid_t>(std::atoi(server)));
    else
        std::printf("Stop Music with a stopped sound server: skipped, no sound server of the probe's own "
                    "(run bench/window_blocking_probe.sh)\n");
    QuitDuringLoad(stuck.string());
    std::filesystem::remove(stuck);
    return 0;
}
