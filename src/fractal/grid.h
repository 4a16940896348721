#pragma once

#include "view.h"

#include <cstdint>
#include <vector>

namespace fractal {

// One spare row and column beyond the picture, always 0, so a reader that
// looks one cell past the last one finds nothing.
inline constexpr int GridSide = PictureSide + 1;

// Colour values are 0x00BBGGRR, red in the lowest byte.
using Colour = std::int32_t;

struct Cell
{
    int x = 0;
    int y = 0;

    friend bool operator==(const Cell&, const Cell&) = default;
};

// A GridSide x GridSide grid of cells indexed (x, y), x the column and y
// the row, y growing downward; every cell starts at 0.
class Grid
{
public:
    Grid() : cells_(GridSide * GridSide, 0) {}

    std::int32_t At(int x, int y) const { return cells_[Index(x, y)]; }
    void Set(int x, int y, std::int32_t value) { cells_[Index(x, y)] = value; }

    friend bool operator==(const Grid&, const Grid&) = default;

private:
    static std::size_t Index(int x, int y) { return static_cast<std::size_t>(x) * GridSide + y; }

    std::vector<std::int32_t> cells_;
};

// The colour of every escaped pixel of a render, 0 where the point did not escape.
using ColourGrid = Grid;
// OutlineWhite where a trace found outline, 0 elsewhere.
using OutlineGrid = Grid;

inline bool InsidePicture(int x, int y)
{
    return x >= 0 && y >= 0 && x < PictureSide && y < PictureSide;
}

} // namespace fractal
