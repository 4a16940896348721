#pragma once

#include "render_runner.h"

#include <optional>

// Renders at once, as the immediate runner does, unless told to hold renders:
// then a render waits until Release, so a test can act while it runs.
class TestRenderRunner : public RenderRunner
{
public:
    void HoldRenders(bool hold) { hold_ = hold; }
    bool Holding() const { return held_.has_value(); }

    void Start(const fractal::DeepView& view, int maxIterations, Callbacks callbacks) override
    {
        if (hold_)
            held_ = Held{view, maxIterations, std::move(callbacks)};
        else
            immediate_.Start(view, maxIterations, std::move(callbacks));
    }
    void Cancel() override { held_.reset(); }

    // Completes the held render.
    void Release()
    {
        if (!held_)
            return;
        Held held = std::move(*held_);
        held_.reset();
        immediate_.Start(held.view, held.maxIterations, std::move(held.callbacks));
    }

private:
    struct Held
    {
        fractal::DeepView view;
        int maxIterations;
        Callbacks callbacks;
    };
    bool hold_ = false;
    std::optional<Held> held_;
    ImmediateRenderRunner immediate_;
};
