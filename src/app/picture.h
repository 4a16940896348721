#pragma once

#include "grid.h"

#include <cstdint>
#include <vector>

// What the picture area shows, pixel by pixel, as 0x00BBGGRR colours on a
// black background. Drawing past the edge is clipped.
class Picture
{
public:
    static constexpr fractal::Colour Background = 0;
    // The side of a picture at the default size.
    static constexpr int Side = fractal::PictureSide;

    explicit Picture(int side = Side)
        : side_(side), pixels_(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), Background)
    {
    }

    // Cells a side: the picture's size as the View menu names it.
    int CellsPerSide() const { return side_; }

    void Clear() { pixels_.assign(pixels_.size(), Background); }
    // Cleared, at a new side.
    void ClearTo(int side)
    {
        side_ = side;
        pixels_.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), Background);
    }

    void Set(int x, int y, fractal::Colour colour)
    {
        if (fractal::InsidePicture(x, y, side_))
            pixels_[Index(x, y)] = colour;
    }

    fractal::Colour At(int x, int y) const { return pixels_[Index(x, y)]; }

    // Row by row from the top.
    const std::vector<fractal::Colour>& Pixels() const { return pixels_; }

private:
    std::size_t Index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(side_) + static_cast<std::size_t>(x);
    }

    int side_;
    std::vector<fractal::Colour> pixels_;
};
