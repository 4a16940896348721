#pragma once

#include "deep_view.h"
#include "grid.h"
#include "parallel_render.h"

#include <QObject>

#include <functional>
#include <map>
#include <thread>
#include <vector>

// Renders a view for the controller and hands the picture back column by
// column, left to right, on the controller's own thread.
class RenderRunner
{
public:
    struct Callbacks
    {
        // The block's columns are complete: their classic colours and smooth
        // counts, column by column, each top to bottom. Blocks come in order
        // from column 0.
        std::function<void(const fractal::ColumnBlock& block)> columnsReady;
        // Every column has come.
        std::function<void()> finished;
    };

    virtual ~RenderRunner() = default;
    // Any render still running is cancelled first.
    virtual void Start(const fractal::DeepView& view, int maxIterations, Callbacks callbacks) = 0;
    // Once it returns, no callback of the render comes any more and no
    // thread of it runs.
    virtual void Cancel() = 0;
};

// The program's runner: the picture is counted on every core, off the
// window's thread, and its columns come back through the event loop, so the
// window repaints and answers input throughout. A view too deep for doubles
// is rendered by perturbation, its reference orbit computed once.
class ThreadedRenderRunner : public QObject, public RenderRunner
{
public:
    ThreadedRenderRunner() = default;
    ~ThreadedRenderRunner() override;

    void Start(const fractal::DeepView& view, int maxIterations, Callbacks callbacks) override;
    void Cancel() override;

private:
    void Deliver(unsigned render, fractal::ColumnBlock block);
    void Finish(unsigned render, bool completed);

    // Counts the renders started, so what a cancelled one still had on
    // its way is recognised and dropped.
    unsigned render_ = 0;
    Callbacks callbacks_;
    // Blocks that came ahead of one still missing, by their first column.
    std::map<int, fractal::ColumnBlock> waiting_;
    int nextColumn_ = 0;
    std::jthread worker_;
};

// Renders inside Start, on every core as the threaded runner does, and
// hands the columns over in order on the caller's thread before it
// returns: for the command line, tests and tools that want a picture
// without an event loop.
class ImmediateRenderRunner : public RenderRunner
{
public:
    void Start(const fractal::DeepView& view, int maxIterations, Callbacks callbacks) override;
    void Cancel() override {}
};
