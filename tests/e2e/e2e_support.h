#pragma once

// Helpers shared by the end-to-end tests: waiting on the real event loop,
// finding places on the traced outline, and reading the fuzz settings.

#include "reference_music.h"
#include "shared_state.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>

namespace e2e {

// Runs the Qt event loop until the condition holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}

struct Cell
{
    int x;
    int y;
};

inline bool Marked(const Grid& grid, int x, int y)
{
    return x >= 0 && y >= 0 && x <= 400 && y <= 400 && grid[x][y] == reference::White;
}

// A cell whose whole 3 x 3 neighbourhood is off the outline, so a press on
// it finds none of the seven candidates marked.
inline std::optional<Cell> CellOffTheOutline(const Grid& grid)
{
    for (int x = 150; x < 399; ++x) {
        for (int y = 150; y < 399; ++y) {
            bool clear = true;
            for (int dx = -1; dx <= 1 && clear; ++dx) {
                for (int dy = -1; dy <= 1 && clear; ++dy)
                    clear = !Marked(grid, x + dx, y + dy);
            }
            if (clear)
                return Cell{x, y};
        }
    }
    return std::nullopt;
}

// A marked cell, away from the picture's edge, from which the walk of the
// given length completes and sings at least `distinctNotes` different notes.
inline std::optional<Cell> StartOfAVariedWalk(const Grid& grid, int length, std::size_t distinctNotes)
{
    for (int x = 3; x < 397; ++x) {
        for (int y = 3; y < 397; ++y) {
            if (grid[x][y] != reference::White)
                continue;
            const auto walk = reference::Walk(grid, x, y, length);
            if (!walk.completed)
                continue;
            const auto notes = reference::NotesOf(walk.directions);
            if (std::set<std::uint8_t>(notes.begin(), notes.end()).size() >= distinctNotes)
                return Cell{x, y};
        }
    }
    return std::nullopt;
}

// A marked cell from which the walk of the given length gets stuck at its start.
inline std::optional<Cell> StartOfAFailingWalk(const Grid& grid, int length)
{
    for (int x = 0; x < 400; ++x) {
        for (int y = 0; y < 400; ++y) {
            if (grid[x][y] == reference::White && !reference::Walk(grid, x, y, length).completed)
                return Cell{x, y};
        }
    }
    return std::nullopt;
}

inline std::uint64_t SeedFromEnvironment(std::uint64_t fallback)
{
    const char* text = std::getenv("VELMORA_FUZZ_SEED");
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

inline long CountFromEnvironment(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 0) : fallback;
}

} // namespace e2e
