#pragma once

#include "view.h"

#include <cstdint>
#include <vector>

namespace fractal {

// One spare row and column beyond the picture, always 0, so a reader that
// looks one cell past the last one finds nothing: a default grid's side.
inline constexpr int GridSide = PictureSide + 1;

// Colour values are 0x00BBGGRR, red in the lowest byte.
using Colour = std::int32_t;

struct Cell
{
    int x = 0;
    int y = 0;

    friend bool operator==(const Cell&, const Cell&) = default;
};

// The cells of a picture of side x side cells and the spare row and column,
// indexed (x, y), x the column and y the row, y growing downward; every cell
// starts at 0.
class Grid
{
public:
    Grid() : Grid(PictureSide) {}
    explicit Grid(int side)
        : side_(side), cells_(static_cast<std::size_t>(side + 1) * static_cast<std::size_t>(side + 1), 0)
    {
    }

    // The picture's cells a side, without the spare ones.
    int Side() const { return side_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < side_ && y < side_; }

    std::int32_t At(int x, int y) const { return cells_[Index(x, y)]; }
    void Set(int x, int y, std::int32_t value) { cells_[Index(x, y)] = value; }

    friend bool operator==(const Grid&, const Grid&) = default;

private:
    std::size_t Index(int x, int y) const
    {
        return static_cast<std::size_t>(x) * static_cast<std::size_t>(side_ + 1) + static_cast<std::size_t>(y);
    }

    int side_;
    std::vector<std::int32_t> cells_;
};

// The colour of every escaped pixel of a render, 0 where the point did not escape.
using ColourGrid = Grid;
// OutlineWhite where a trace found outline, 0 elsewhere.
using OutlineGrid = Grid;

inline bool InsidePicture(int x, int y, int side = PictureSide)
{
    return x >= 0 && y >= 0 && x < side && y < side;
}

} // namespace fractal
