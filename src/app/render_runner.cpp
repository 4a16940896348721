#include "render_runner.h"

#include "parallel_render.h"
#include "perturbation.h"
#include "render.h"

#include <QMetaObject>

namespace {

// Deep columns cost more: smaller blocks keep both cores busy to the end.
constexpr int DeepColumnsPerBlock = 4;

fractal::ParallelRenderOptions DeepOptions()
{
    fractal::ParallelRenderOptions options;
    options.columnsPerBlock = DeepColumnsPerBlock;
    return options;
}

} // namespace

ThreadedRenderRunner::~ThreadedRenderRunner()
{
    Cancel();
}

void ThreadedRenderRunner::Start(const fractal::DeepView& view, int maxIterations, Callbacks callbacks)
{
    Cancel();
    callbacks_ = std::move(callbacks);
    side_ = view.Side();
    const unsigned render = ++render_;
    // The worker only posts to this object; the queued calls are dropped if
    // it is gone, and Cancel joins the worker before it can be.
    worker_ = std::jthread([this, view, maxIterations, render](std::stop_token stop) {
        const fractal::BlockDone blockDone = [this, render](fractal::ColumnBlock block) {
            QMetaObject::invokeMethod(
                this,
                [this, render, first = block.columns.firstColumn, colours = std::move(block.colours)]() mutable {
                    Deliver(render, first, std::move(colours));
                },
                Qt::QueuedConnection);
        };
        const std::optional<fractal::View> shallow = view.AsView();
        const auto outcome = shallow ? fractal::RenderInParallel(*shallow, maxIterations, blockDone, stop)
                                     : fractal::RenderDeepInParallel(view, maxIterations, blockDone, stop, DeepOptions());
        const bool completed = outcome == fractal::RenderOutcome::Completed;
        QMetaObject::invokeMethod(this, [this, render, completed] { Finish(render, completed); }, Qt::QueuedConnection);
    });
}

void ThreadedRenderRunner::Cancel()
{
    ++render_;
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
    waiting_.clear();
    nextColumn_ = 0;
    callbacks_ = {};
}

// Blocks finish in any order; the controller gets columns left to right.
void ThreadedRenderRunner::Deliver(unsigned render, int firstColumn, std::vector<fractal::Colour> colours)
{
    if (render != render_)
        return;
    waiting_.emplace(firstColumn, std::move(colours));
    for (auto next = waiting_.find(nextColumn_); next != waiting_.end(); next = waiting_.find(nextColumn_)) {
        const std::vector<fractal::Colour> block = std::move(next->second);
        waiting_.erase(next);
        const int first = nextColumn_;
        const int count = static_cast<int>(block.size()) / side_;
        nextColumn_ += count;
        if (callbacks_.columnsReady)
            callbacks_.columnsReady(first, count, block);
        if (render != render_)
            return;  // the handler cancelled or restarted the render
    }
}

void ThreadedRenderRunner::Finish(unsigned render, bool completed)
{
    if (render != render_ || !completed)
        return;
    if (worker_.joinable())
        worker_.join();
    const auto finished = std::move(callbacks_.finished);
    callbacks_ = {};
    if (finished)
        finished();
}

void ImmediateRenderRunner::Start(const fractal::DeepView& view, int maxIterations, Callbacks callbacks)
{
    std::vector<fractal::Colour> column(static_cast<std::size_t>(view.Side()));
    fractal::RenderDeep(view, maxIterations, [&](int x, const fractal::ColourGrid& grid) {
        for (int y = 0; y < view.Side(); ++y)
            column[static_cast<std::size_t>(y)] = grid.At(x, y);
        if (callbacks.columnsReady)
            callbacks.columnsReady(x, 1, column);
    });
    if (callbacks.finished)
        callbacks.finished();
}
