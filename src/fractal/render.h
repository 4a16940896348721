#pragma once

#include "grid.h"

#include <array>
#include <cstdint>
#include <functional>

namespace fractal {

// Colours by escape count mod 7: red, blue, green, yellow, cyan, magenta, white.
inline constexpr std::array<Colour, 7> EscapeColours{
    0x000000FF, 0x00FF0000, 0x0000FF00, 0x0000FFFF, 0x00FFFF00, 0x00FF00FF, 0x00FFFFFF,
};

inline constexpr std::int16_t NotEscaped = -1;

// The count of iterations that stayed within radius 2 before the one that
// left it, or NotEscaped. The test is on the new z, strictly greater than 4,
// and every intermediate is a stored double, in this order.
inline std::int16_t EscapeCount(double cx, double cy, std::int16_t maxIterations)
{
    double zx = 0.0;
    double zy = 0.0;
    for (std::int16_t n = 0; n <= maxIterations; ++n) {
        const double nx = zx * zx - zy * zy + cx;
        const double ny = 2.0 * zx * zy + cy;
        if (nx * nx + ny * ny > 4.0)
            return n;
        zx = nx;
        zy = ny;
    }
    return NotEscaped;
}

// Called after each column x is complete, with the grid so far.
using ColumnDone = std::function<void(int x, const ColourGrid& grid)>;

// The escape-time picture of the view, column by column from the left,
// each column top to bottom.
ColourGrid Render(const View& view, std::int16_t maxIterations, const ColumnDone& columnDone = {});

} // namespace fractal
