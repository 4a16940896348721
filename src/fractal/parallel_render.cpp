#include "parallel_render.h"

#include "render.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace fractal {

void ColumnBlock::CopyInto(ColourGrid& grid) const
{
    for (int i = 0; i < columns.columnCount; ++i)
        for (int y = 0; y < PictureSide; ++y)
            grid.Set(columns.firstColumn + i, y, colours[static_cast<std::size_t>(i * PictureSide + y)]);
}

RenderOutcome RenderInParallel(const View& view, int maxIterations, const BlockDone& blockDone, std::stop_token stop,
                               const ParallelRenderOptions& options)
{
    const InstructionSet instructions = options.instructions.value_or(FastestInstructionSet());
    const int columnsPerBlock = std::clamp(options.columnsPerBlock, 1, PictureSide);
    const int blockCount = (PictureSide + columnsPerBlock - 1) / columnsPerBlock;
    const int cores = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    const int threadCount = std::min(options.threadCount > 0 ? options.threadCount : cores, blockCount);

    // Blocks are taken in order by whichever worker is free, so a slow
    // block holds up only its own worker.
    std::atomic<int> nextBlock{0};
    std::atomic<bool> stopped{false};
    const auto work = [&] {
        std::vector<int> counts;
        for (int block = nextBlock++; block < blockCount; block = nextBlock++) {
            const int first = block * columnsPerBlock;
            const ColumnRange columns{first, std::min(columnsPerBlock, PictureSide - first)};
            counts.resize(static_cast<std::size_t>(columns.PixelCount()));
            if (!CountEscapes(view, maxIterations, columns, counts, instructions, stop)) {
                stopped = true;
                return;
            }
            ColumnBlock done{columns, std::vector<Colour>(counts.size())};
            std::transform(counts.begin(), counts.end(), done.colours.begin(), ColourOf);
            if (blockDone)
                blockDone(std::move(done));
        }
    };
    {
        std::vector<std::jthread> workers;
        workers.reserve(static_cast<std::size_t>(threadCount));
        for (int i = 0; i < threadCount; ++i)
            workers.emplace_back(work);
    }
    return stopped ? RenderOutcome::Stopped : RenderOutcome::Completed;
}

} // namespace fractal
