#pragma once

// Readable failure messages for the fractal types; gtest finds these by
// argument-dependent lookup.

#include "grid.h"
#include "view.h"

#include <ostream>

namespace fractal {

inline void PrintTo(const Cell& cell, std::ostream* out)
{
    *out << '(' << cell.x << ", " << cell.y << ')';
}

inline void PrintTo(const View& view, std::ostream* out)
{
    *out << "x " << view.xMin << ".." << view.xMax << ", y " << view.yMin << ".." << view.yMax;
}

} // namespace fractal
