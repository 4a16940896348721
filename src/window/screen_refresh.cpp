#include "screen_refresh.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace {

constexpr qint64 FrameNs = 16'000'000;
constexpr int PixelsBetweenClockChecks = 64;

struct RefreshState
{
    std::vector<QPointer<QWidget>> dirty;
    QElapsedTimer sinceLastPaint;
    int pixelsSinceCheck = 0;
};

RefreshState& State()
{
    static RefreshState state;
    return state;
}

void MarkDirty(QWidget* widget)
{
    auto& dirty = State().dirty;
    if (std::find(dirty.begin(), dirty.end(), widget) != dirty.end())
        return;
    dirty.emplace_back(widget);
    widget->update();
}

void PaintIfFrameIsDue()
{
    auto& state = State();
    if (state.sinceLastPaint.isValid() && state.sinceLastPaint.nsecsElapsed() < FrameNs)
        return;
    state.sinceLastPaint.start();
    auto dirty = std::move(state.dirty);
    state.dirty.clear();
    for (const auto& widget : dirty) {
        if (widget && widget->isVisible())
            widget->repaint();
    }
}

} // namespace

namespace ScreenRefresh {

void Changed(QWidget* widget)
{
    MarkDirty(widget);
    State().pixelsSinceCheck = 0;
    PaintIfFrameIsDue();
}

void PixelChanged(QWidget* widget)
{
    auto& state = State();
    MarkDirty(widget);
    if (++state.pixelsSinceCheck < PixelsBetweenClockChecks)
        return;
    state.pixelsSinceCheck = 0;
    PaintIfFrameIsDue();
}

void Painted(QWidget* widget)
{
    Forget(widget);
}

void Forget(QWidget* widget)
{
    auto& dirty = State().dirty;
    dirty.erase(std::remove(dirty.begin(), dirty.end(), widget), dirty.end());
}

} // namespace ScreenRefresh
