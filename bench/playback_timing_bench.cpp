#include "main_window.h"
#include "music_timer.h"
#include "offscreen_platform.h"
#include "outline_point.h"
#include "piece_timing.h"
#include "session.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <iostream>
#include <string>

namespace {

constexpr int Medium = 1;  // "中" in the accuracy list
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

TimingClock::time_point LastProgramChange(const std::vector<RecordingMidiOut::Call>& calls)
{
    TimingClock::time_point last{};
    for (const auto& call : calls) {
        if (call.kind == RecordingMidiOut::Kind::Send && call.message.Kind() == music::ProgramChangeKind)
            last = call.time;
    }
    return last;
}

} // namespace

// Plays one piece through the real timer, with the window shown and the
// recorder as the output, and prints how far each message strayed from its
// place on the 200 ms grid.
int main(int argc, char* argv[])
{
    UseOffscreenPlatformUnlessChosen();
    const int length = PieceLengthFromArguments(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));

    Session session(Session::WithWindow::Yes);
    QApplication::processEvents();  // the window is exposed, so repaints reach it
    session.DrawAndTrace(Medium);
    session.controller.SetLengthText(QString::number(length));
    const auto point = OutlinePointOnRow(session.controller.Outline());
    if (!point) {
        std::cerr << "no outline on the press row\n";
        return 1;
    }

    PieceTiming timing;
    QEventLoop piece;
    const MusicTimer& timer = session.controller.Timer();
    QObject::connect(&timer, &MusicTimer::Tick, &piece, [&] {
        timing.ticks.push_back(TimingClock::now());
        if (!timer.IsEnabled())
            piece.quit();
    });

    session.output.Clear();
    session.ComposeAt(static_cast<float>(point->x()), static_cast<float>(point->y()));
    timing.pressReturned = TimingClock::now();
    if (!timer.IsEnabled()) {
        std::cerr << "the press did not start a piece\n";
        return 1;
    }
    timing.melodyLength = static_cast<int>(session.controller.Melody().size());
    std::cout << "piece of length " << length << " started; playing for " << (timing.melodyLength + 1) * 200
              << " ms\n";

    // A guard in case the piece never ends: its own length and five seconds more.
    QTimer::singleShot((timing.melodyLength + 1) * 200 + 5000, &piece, &QEventLoop::quit);
    piece.exec();

    timing.calls = session.output.Calls();
    timing.start = LastProgramChange(timing.calls);
    return ReportPieceTiming(timing, std::cout) ? 0 : 2;
}
