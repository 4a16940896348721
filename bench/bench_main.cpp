#include "offscreen_platform.h"

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char* argv[])
{
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
