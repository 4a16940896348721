#pragma once

// Helpers shared by the end-to-end tests: pointer events on the picture,
// waiting on the real event loop, places on an outline, fuzz settings.

#include "reference_music.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>

namespace e2e {

using fractal::Cell;

// A press or move at a sub-pixel widget position, as a mouse would deliver it.
inline void Pointer(QWidget* widget, QEvent::Type type, QPointF at)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

inline void PressOn(QWidget* widget, QPointF at)
{
    Pointer(widget, QEvent::MouseButtonPress, at);
    Pointer(widget, QEvent::MouseButtonRelease, at);
}

// Runs the event loop until the condition holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(2);
    }
    return true;
}

inline bool Marked(const fractal::OutlineGrid& outline, int x, int y)
{
    return x >= 0 && y >= 0 && x < reference::Side && y < reference::Side && outline.At(x, y) == reference::White;
}

// The first cell, column by column, within [from, to) both ways that fits.
inline std::optional<Cell> FindCell(int from, int to, const std::function<bool(int x, int y)>& fits)
{
    for (int x = from; x < to; ++x) {
        for (int y = from; y < to; ++y) {
            if (fits(x, y))
                return Cell{x, y};
        }
    }
    return std::nullopt;
}

// A cell whose whole 3 x 3 neighbourhood is unmarked, so a press on it finds nothing.
inline std::optional<Cell> CellOffTheOutline(const fractal::OutlineGrid& outline)
{
    return FindCell(150, 398, [&](int x, int y) {
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                if (Marked(outline, x + dx, y + dy))
                    return false;
            }
        }
        return true;
    });
}

// A marked cell away from the edge whose walk completes and sings at least
// `distinctNotes` different notes, so the melody holds more than one run.
inline std::optional<Cell> StartOfAVariedWalk(const fractal::OutlineGrid& outline, int length, std::size_t distinctNotes)
{
    return FindCell(3, 397, [&](int x, int y) {
        if (!Marked(outline, x, y))
            return false;
        const auto walk = reference::WalkFrom(outline, {x, y}, length);
        const auto notes = reference::MelodyOf(walk.directions);
        return walk.completed && std::set<std::uint8_t>(notes.begin(), notes.end()).size() >= distinctNotes;
    });
}

inline std::optional<Cell> StartOfAFailingWalk(const fractal::OutlineGrid& outline, int length)
{
    return FindCell(0, reference::Side, [&](int x, int y) {
        return Marked(outline, x, y) && !reference::WalkFrom(outline, {x, y}, length).completed;
    });
}

inline long NumberFromEnvironment(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 0) : fallback;
}

inline std::uint64_t SeedFromEnvironment(std::uint64_t fallback)
{
    const char* text = std::getenv("VELMORA_FUZZ_SEED");
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

} // namespace e2e
