#pragma once

#include "grid.h"

#include <functional>

namespace fractal {

inline constexpr Colour OutlineWhite = 0x00FFFFFF;

// Called before each column x is examined, and for every outline cell found.
struct TraceObserver
{
    std::function<void(int x)> columnStarted;
    std::function<void(Cell cell)> outlineFound;
};

// The escaped cells whose eight neighbours include both escaped and
// non-escaped ones; a neighbour off the picture counts as non-escaped,
// which puts a frame round an escaping edge.
OutlineGrid TraceOutline(const ColourGrid& colours, const TraceObserver& observer = {});

} // namespace fractal
