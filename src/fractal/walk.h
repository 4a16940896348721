#pragma once

#include "grid.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace fractal {

// Direction codes 0..7, clockwise on the screen from up; y grows downward.
inline constexpr std::array<Cell, 8> DirectionSteps{{
    {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1},
}};

// The outline cell a press at (x, y), in picture coordinates, starts a walk
// from: the pressed cell, else its left, upper, upper-left, right, lower or
// lower-right neighbour, in that order. None when none of them is marked.
std::optional<Cell> ChooseStartPoint(const OutlineGrid& outline, float x, float y);

struct WalkResult
{
    // One byte per step: the walk direction after it. A move stores its code
    // 0..7; a dead end adds 4 without wrapping, capped at 255.
    std::vector<std::uint8_t> directions;
    // False when the walk stepped all the way back to its start point.
    bool completed = false;
};

// Walks the outline from start for length + 1 steps, going on straight where
// it can, turning clockwise where it cannot and stepping back along its path
// at dead ends. Every cell it visits is cleared in the outline and reported,
// again each time a step back makes it current once more.
WalkResult Walk(OutlineGrid& outline, Cell start, int length, const std::function<void(Cell)>& visited = {});

} // namespace fractal
