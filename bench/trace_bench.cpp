#include "bench_window.h"
#include "outline.h"
#include "shared_state.h"

#include <QPushButton>

#include <benchmark/benchmark.h>

namespace {

constexpr int High = 2;

int OutlineCells()
{
    int cells = 0;
    for (int x = 0; x < PictureSide; ++x) {
        for (int y = 0; y < PictureSide; ++y)
            cells += OutlineGrid[x][y] == OutlineWhite ? 1 : 0;
    }
    return cells;
}

// The trace reads only ColorGrid, so one render at 高 serves every run; each
// run clears the picture and repaints the outline with its progress.
void BM_TraceOutline(benchmark::State& state)
{
    BenchWindow window;
    window.SelectSeido(High);
    window.Form().Draw()->click();
    for (auto _ : state)
        TraceOutline();
    state.counters["outline_cells"] = OutlineCells();
}
BENCHMARK(BM_TraceOutline)->Unit(benchmark::kMillisecond);

} // namespace
