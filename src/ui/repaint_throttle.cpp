#include "repaint_throttle.h"

#include <algorithm>

namespace {

constexpr qint64 FrameNanoseconds = 16'000'000;

} // namespace

void RepaintThrottle::Changed(QWidget* widget)
{
    if (std::find(dirty_.begin(), dirty_.end(), widget) == dirty_.end()) {
        dirty_.emplace_back(widget);
        widget->update();
    }
    if (sinceLastPaint_.isValid() && sinceLastPaint_.nsecsElapsed() < FrameNanoseconds)
        return;
    sinceLastPaint_.start();
    const auto dirty = std::move(dirty_);
    dirty_.clear();
    for (const auto& w : dirty) {
        if (w && w->isVisible())
            w->repaint();
    }
}

void RepaintThrottle::Painted(QWidget* widget)
{
    dirty_.erase(std::remove(dirty_.begin(), dirty_.end(), widget), dirty_.end());
}
