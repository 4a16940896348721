#include "parallel_render.h"

#include "perturbation.h"
#include "render.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

namespace fractal {

void ColumnBlock::CopyInto(ColourGrid& grid) const
{
    for (int i = 0; i < columns.columnCount; ++i)
        for (int y = 0; y < columns.rowCount; ++y)
            grid.Set(columns.firstColumn + i, y, colours[static_cast<std::size_t>(i * columns.rowCount + y)]);
}

namespace {

// Fills one block's colours and smooth counts, column by column, each top to
// bottom; false when stopped.
using BlockJob = std::function<bool(ColumnBlock& block)>;

RenderOutcome RenderBlocks(int side, const ParallelRenderOptions& options, const BlockJob& job,
                           const BlockDone& blockDone)
{
    const int columnsPerBlock = std::clamp(options.columnsPerBlock, 1, side);
    const int blockCount = (side + columnsPerBlock - 1) / columnsPerBlock;
    const int cores = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    const int threadCount = std::min(options.threadCount > 0 ? options.threadCount : cores, blockCount);

    // Blocks are taken in order by whichever worker is free, so a slow
    // block holds up only its own worker.
    std::atomic<int> nextBlock{0};
    std::atomic<bool> stopped{false};
    const auto work = [&] {
        for (int block = nextBlock++; block < blockCount; block = nextBlock++) {
            const int first = block * columnsPerBlock;
            ColumnBlock done{{first, std::min(columnsPerBlock, side - first), side}, {}, {}};
            if (!job(done)) {
                stopped = true;
                return;
            }
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

} // namespace

RenderOutcome RenderInParallel(const View& view, int maxIterations, const BlockDone& blockDone, std::stop_token stop,
                               const ParallelRenderOptions& options)
{
    const InstructionSet instructions = options.instructions.value_or(FastestInstructionSet());
    return RenderBlocks(
        view.side, options,
        [&](ColumnBlock& block) {
            std::vector<int> counts(static_cast<std::size_t>(block.columns.PixelCount()));
            std::vector<double> norms(counts.size());
            if (!CountEscapes(view, maxIterations, block.columns, counts, instructions, stop, norms))
                return false;
            block.colours.resize(counts.size());
            std::transform(counts.begin(), counts.end(), block.colours.begin(), ColourOf);
            block.smoothCounts.resize(counts.size());
            std::transform(counts.begin(), counts.end(), norms.begin(), block.smoothCounts.begin(), SmoothCount);
            return true;
        },
        blockDone);
}

RenderOutcome RenderDeepInParallel(const DeepView& view, int maxIterations, const BlockDone& blockDone,
                                   std::stop_token stop, const ParallelRenderOptions& options)
{
    const auto renderCounting = [&](const auto& count) {
        return RenderBlocks(
            view.Side(), options,
            [&](ColumnBlock& block) {
                const ColumnRange& columns = block.columns;
                block.colours.reserve(static_cast<std::size_t>(columns.PixelCount()));
                block.smoothCounts.reserve(static_cast<std::size_t>(columns.PixelCount()));
                for (int x = columns.firstColumn; x < columns.firstColumn + columns.columnCount; ++x) {
                    for (int y = 0; y < columns.rowCount; ++y) {
                        if (stop.stop_requested())
                            return false;
                        double norm = 0.0;
                        const int escapes = count(x, y, norm);
                        block.colours.push_back(ColourOf(escapes));
                        block.smoothCounts.push_back(SmoothCount(escapes, norm));
                    }
                }
                return true;
            },
            blockDone);
    };
    if (IsFarOut(view))
        return renderCounting([&](int x, int y, double& norm) {
            // Far out, counts are tiny and blending adds nothing: 16 makes
            // the smooth count the plain one.
            norm = 16.0;
            return FarOutEscapeCount(view, x, y, maxIterations);
        });
    std::optional<ReferenceOrbit> orbit = ComputeReferenceOrbit(view, maxIterations, stop);
    if (!orbit)
        return RenderOutcome::Stopped;
    const PerturbationPlan plan(view, std::move(*orbit), {.bilinear = true, .threadCount = options.threadCount});
    return renderCounting([&](int x, int y, double& norm) { return plan.EscapeCount(x, y, maxIterations, &norm); });
}

} // namespace fractal
