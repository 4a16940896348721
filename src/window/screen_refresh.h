#pragma once

class QWidget;

// Handlers block the event loop while they render, trace or walk; the
// picture and the progress bar must still reach the screen as they change.
// Changed widgets are repainted at once, but at most about once per frame.
namespace ScreenRefresh {

void Changed(QWidget* widget);
// Cheaper variant for the per-pixel path: looks at the clock only now and then.
void PixelChanged(QWidget* widget);
// A widget that has just painted itself has nothing left to show.
void Painted(QWidget* widget);
void Forget(QWidget* widget);

} // namespace ScreenRefresh
