#include "render_runner.h"

#include <QMetaObject>

#include <algorithm>
#include <mutex>

namespace {

// Deep columns cost more: smaller blocks keep both cores busy to the end.
constexpr int DeepColumnsPerBlock = 4;

fractal::ParallelRenderOptions DeepOptions()
{
    fractal::ParallelRenderOptions options;
    options.columnsPerBlock = DeepColumnsPerBlock;
    return options;
}

// On every core, in doubles while they suffice and by perturbation deeper.
fractal::RenderOutcome RenderOnEveryCore(const fractal::DeepView& view, int maxIterations,
                                         const fractal::BlockDone& blockDone, std::stop_token stop)
{
    if (const std::optional<fractal::View> shallow = view.AsView())
        return fractal::RenderInParallel(*shallow, maxIterations, blockDone, stop);
    return fractal::RenderDeepInParallel(view, maxIterations, blockDone, stop, DeepOptions());
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
    const unsigned render = ++render_;
    // The worker only posts to this object; the queued calls are dropped if
    // it is gone, and Cancel joins the worker before it can be.
    worker_ = std::jthread([this, view, maxIterations, render](std::stop_token stop) {
        const fractal::BlockDone blockDone = [this, render](fractal::ColumnBlock block) {
            QMetaObject::invokeMethod(
                this, [this, render, block = std::move(block)]() mutable { Deliver(render, std::move(block)); },
                Qt::QueuedConnection);
        };
        const bool completed = RenderOnEveryCore(view, maxIterations, blockDone, stop)
                               == fractal::RenderOutcome::Completed;
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
void ThreadedRenderRunner::Deliver(unsigned render, fractal::ColumnBlock block)
{
    if (render != render_)
        return;
    const int first = block.columns.firstColumn;
    waiting_.emplace(first, std::move(block));
    for (auto next = waiting_.find(nextColumn_); next != waiting_.end(); next = waiting_.find(nextColumn_)) {
        const fractal::ColumnBlock ready = std::move(next->second);
        waiting_.erase(next);
        nextColumn_ += ready.columns.columnCount;
        if (callbacks_.columnsReady)
            callbacks_.columnsReady(ready);
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
    // Room for a block a column, so keeping one on a worker never allocates.
    std::vector<fractal::ColumnBlock> blocks;
    blocks.reserve(static_cast<std::size_t>(view.Side()));
    std::mutex keeping;
    RenderOnEveryCore(
        view, maxIterations,
        [&](fractal::ColumnBlock block) {
            const std::lock_guard lock(keeping);
            blocks.push_back(std::move(block));
        },
        {});
    std::sort(blocks.begin(), blocks.end(), [](const fractal::ColumnBlock& a, const fractal::ColumnBlock& b) {
        return a.columns.firstColumn < b.columns.firstColumn;
    });
    for (const fractal::ColumnBlock& block : blocks)
        if (callbacks.columnsReady)
            callbacks.columnsReady(block);
    if (callbacks.finished)
        callbacks.finished();
}
