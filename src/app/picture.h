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
    static constexpr int Side = fractal::PictureSide;

    Picture() : pixels_(Side * Side, Background) {}

    void Clear() { pixels_.assign(pixels_.size(), Background); }

    void Set(int x, int y, fractal::Colour colour)
    {
        if (fractal::InsidePicture(x, y))
            pixels_[static_cast<std::size_t>(y) * Side + x] = colour;
    }

    fractal::Colour At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * Side + x]; }

    // Row by row from the top.
    const std::vector<fractal::Colour>& Pixels() const { return pixels_; }

private:
    std::vector<fractal::Colour> pixels_;
};
