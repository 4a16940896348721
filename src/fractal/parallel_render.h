#pragma once

#include "deep_view.h"
#include "escape_counts.h"
#include "grid.h"

#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace fractal {

// Some whole columns of a render.
struct ColumnBlock
{
    ColumnRange columns;
    // Column by column, each top to bottom: the colours Render gives them.
    std::vector<Colour> colours;
    // In the same order: each pixel's SmoothCount, for palettes that blend.
    std::vector<float> smoothCounts;

    void CopyInto(ColourGrid& grid) const;
};

// Called on a worker thread as each block is complete, possibly on several
// workers at once; blocks come in no particular order. It must not throw.
using BlockDone = std::function<void(ColumnBlock block)>;

struct ParallelRenderOptions
{
    // 0: one worker per processor core.
    int threadCount = 0;
    int columnsPerBlock = 8;
    // The fastest the processor runs when not given.
    std::optional<InstructionSet> instructions;
};

enum class RenderOutcome { Completed, Stopped };

// The picture Render gives, as blocks handed to blockDone by worker threads.
// Returns when every block has been handed over, or soon after stop is
// requested (Stopped, and some blocks are never handed over).
RenderOutcome RenderInParallel(const View& view, int maxIterations, const BlockDone& blockDone, std::stop_token stop,
                               const ParallelRenderOptions& options = {});

// The same for a view too deep for doubles, rendered by perturbation around
// one reference orbit computed first; the instruction set is not used.
RenderOutcome RenderDeepInParallel(const DeepView& view, int maxIterations, const BlockDone& blockDone,
                                   std::stop_token stop, const ParallelRenderOptions& options = {});

} // namespace fractal
