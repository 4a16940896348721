#include "compose_latency.h"
#include "midi_platform.h"
#include "offscreen_platform.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Takes this program's own flags out of argv, leaving Google Benchmark's.
ComposeLatencyOptions TakeOptions(int& argc, char* argv[])
{
    ComposeLatencyOptions options;
    const std::string pauseFlag = "--user-pause-ms=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--cold")
            options.cold = true;
        else if (arg.rfind(pauseFlag, 0) == 0)
            options.userPauseMs = std::stoi(arg.substr(pauseFlag.size()));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return options;
}

} // namespace

int main(int argc, char* argv[])
{
    UseOffscreenPlatformUnlessChosen();
    const ComposeLatencyOptions options = TakeOptions(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    if (!options.cold)
        midi_platform::Prepare();
    RegisterComposeLatencyBenchmarks(options);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
