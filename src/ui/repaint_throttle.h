#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <vector>

// Handlers block the event loop while they render, trace or walk; the
// picture and the progress bar must still reach the screen as they change.
// Changed widgets are repainted at once, but at most about once per frame.
class RepaintThrottle
{
public:
    void Changed(QWidget* widget);
    // A widget that has just painted itself has nothing left to show.
    void Painted(QWidget* widget);

private:
    std::vector<QPointer<QWidget>> dirty_;
    QElapsedTimer sinceLastPaint_;
};
