#pragma once

#include "grid.h"

#include <array>
#include <cstddef>
#include <functional>

namespace fractal {

// Colours by escape count mod 7: red, blue, green, yellow, cyan, magenta, white.
inline constexpr std::array<Colour, 7> EscapeColours{
    0x000000FF, 0x00FF0000, 0x0000FF00, 0x0000FFFF, 0x00FFFF00, 0x00FF00FF, 0x00FFFFFF,
};

inline constexpr int NotEscaped = -1;
// The most iterations the program asks of any view.
inline constexpr int MostIterations = 1'000'000;

// The count of iterations that stayed within radius 2 before the one that
// left it, or NotEscaped. The test is on the new z, strictly greater than 4,
// and every intermediate is a stored double, in this order. Defined in the
// renderer's own sources, which are compiled without contraction, so every
// caller gets the same counts as the fast renderers.
int EscapeCount(double cx, double cy, int maxIterations);

// A pixel's colour for its escape count: 0 where it did not escape.
inline Colour ColourOf(int count)
{
    return count == NotEscaped ? 0 : EscapeColours[static_cast<std::size_t>(count % 7)];
}

// The continuous escape count of a pixel that escaped after count
// iterations with |z|^2 = escapeNorm (past 4) at its first point outside
// radius 2: count + 1 - log2(log2 |z|), rising smoothly with the count so
// colours can blend between neighbouring counts. NotEscaped stays
// NotEscaped.
float SmoothCount(int count, double escapeNorm);

// Called after each column x is complete, with the grid so far.
using ColumnDone = std::function<void(int x, const ColourGrid& grid)>;

// The escape-time picture of the view at its side, column by column from
// the left, each column top to bottom.
ColourGrid Render(const View& view, int maxIterations, const ColumnDone& columnDone = {});

} // namespace fractal
