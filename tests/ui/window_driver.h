#pragma once

#include "controller.h"
#include "main_window.h"
#include "outline.h"
#include "picture_view.h"
#include "walk.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <optional>
#include <vector>

// Input through the real widgets, as a user gives it.
namespace window_driver {

// Built directly: QTest's integer points cannot carry sub-pixel positions.
inline void SendPointer(QWidget* widget, QEvent::Type type, QPointF position, Qt::MouseButton button,
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, held, modifiers);
    QApplication::sendEvent(widget, &event);
}

inline void PressPicture(MainWindow& window, QPointF position)
{
    SendPointer(window.PictureArea(), QEvent::MouseButtonPress, position, Qt::LeftButton);
    SendPointer(window.PictureArea(), QEvent::MouseButtonRelease, position, Qt::LeftButton);
}

inline void MovePointer(MainWindow& window, QPointF position)
{
    SendPointer(window.PictureArea(), QEvent::MouseMove, position, Qt::NoButton);
}

// A real click, so a disabled button ignores it.
inline void Click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// A cell of the set's own outline rather than of the frame round the
// picture: the first outline cell left of the frame on the row.
inline std::optional<QPointF> OutlinePointOnRow(const fractal::OutlineGrid& outline, int row = 150)
{
    for (int x = fractal::PictureSide - 2; x > 0; --x) {
        if (outline.At(x, row) == fractal::OutlineWhite)
            return QPointF(x, row);
    }
    return std::nullopt;
}

// An outline cell from which a walk of the length given steps back to its
// start. Only a fragment smaller than the walk can do that, so the first
// cell of each small fragment is tried.
inline std::optional<QPointF> StartOfFailingWalk(const fractal::OutlineGrid& outline, int length)
{
    fractal::Grid seen;
    for (int x = 0; x < fractal::PictureSide; ++x) {
        for (int y = 0; y < fractal::PictureSide; ++y) {
            if (outline.At(x, y) != fractal::OutlineWhite || seen.At(x, y))
                continue;
            std::vector<fractal::Cell> fragment{{x, y}};
            seen.Set(x, y, 1);
            for (std::size_t i = 0; i < fragment.size() && fragment.size() <= std::size_t(length); ++i) {
                for (const fractal::Cell step : fractal::DirectionSteps) {
                    const fractal::Cell next{fragment[i].x + step.x, fragment[i].y + step.y};
                    if (fractal::InsidePicture(next.x, next.y) && outline.At(next.x, next.y) == fractal::OutlineWhite
                        && !seen.At(next.x, next.y)) {
                        seen.Set(next.x, next.y, 1);
                        fragment.push_back(next);
                    }
                }
            }
            fractal::OutlineGrid walked = outline;
            if (fragment.size() <= std::size_t(length) && !fractal::Walk(walked, {x, y}, length).completed)
                return QPointF(x, y);
        }
    }
    return std::nullopt;
}

} // namespace window_driver
