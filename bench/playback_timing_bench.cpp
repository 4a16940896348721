#include "bench_window.h"
#include "music_timer.h"
#include "offscreen_platform.h"
#include "piece_timing.h"
#include "recording_midi.h"
#include "shared_state.h"
#include "start_point.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <iostream>
#include <string>

namespace {

constexpr int Medium = 1;
// Length 8 plays nine bytes, about two seconds; --length=400 plays the
// program's default piece, 80.4 s.
constexpr int QuickLength = 8;

int PieceLengthFromArguments(int argc, char* argv[])
{
    const std::string flag = "--length=";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(flag, 0) == 0)
            return std::stoi(arg.substr(flag.size()));
    }
    return QuickLength;
}

TimingClock::time_point LastProgramChange(const std::vector<recording_midi::Call>& calls)
{
    TimingClock::time_point last{};
    for (const auto& call : calls) {
        if (call.kind == recording_midi::Kind::ShortMsg && (call.word & 0xF0) == 0xC0)
            last = call.time;
    }
    return last;
}

} // namespace

// Plays one piece through the real timer with the recording MIDI platform and
// prints how far each tick strayed from its place on the 200 ms grid.
int main(int argc, char* argv[])
{
    UseOffscreenPlatformUnlessChosen();
    const int length = PieceLengthFromArguments(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));

    BenchWindow window;
    window.DrawAndTrace(Medium);
    window.SetLength(QString::number(length));
    window.ClickCompose();
    const auto point = OutlinePointOnRow(PressRow);
    if (!point) {
        std::cerr << "no outline on the press row\n";
        return 1;
    }

    PieceTiming timing;
    QEventLoop piece;
    MusicTimer* timer = window.Form().Timer();
    QObject::connect(timer, &MusicTimer::Tick, &piece, [&] {
        timing.ticks.push_back(TimingClock::now());
        if (!timer->IsEnabled())
            piece.quit();
    });

    recording_midi::Clear();
    window.PressAt(*point);
    timing.pressReturned = TimingClock::now();
    if (!timer->IsEnabled()) {
        std::cerr << "the press did not start a piece\n";
        return 1;
    }
    timing.melodyLength = MelodyLength;
    std::cout << "piece of length " << length << " started; playing for " << (MelodyLength + 1) * 200
              << " ms\n";

    // A guard in case the piece never ends: its own length and five seconds more.
    QTimer::singleShot((MelodyLength + 1) * 200 + 5000, &piece, &QEventLoop::quit);
    piece.exec();

    timing.calls = recording_midi::Calls();
    timing.start = LastProgramChange(timing.calls);
    return ReportPieceTiming(timing, std::cout) ? 0 : 2;
}
