#pragma once

#include <array>

namespace fractal {

// The picture is square, this many cells a side unless a larger picture is
// chosen; the plane is sampled once per cell.
inline constexpr int PictureSide = 400;
// The sides a picture may have, the default first. A larger side samples the
// same view more finely, so its outline and its walks are its own.
inline constexpr std::array<int, 5> PictureSides{400, 600, 800, 1000, 1200};
inline constexpr int LargestPictureSide = PictureSides.back();

constexpr bool IsPictureSide(int side)
{
    for (const int allowed : PictureSides)
        if (side == allowed)
            return true;
    return false;
}

// A point of the complex plane: x the real part, y the imaginary part.
struct PlanePoint
{
    double x = 0.0;
    double y = 0.0;
};

// The part of the complex plane on the picture. Row 0 is yMin, so imaginary
// parts grow downward on the screen.
struct View
{
    double xMin = -2.0;
    double xMax = 0.7;
    double yMin = -1.4;
    double yMax = 1.3;
    // The picture's cells a side.
    int side = PictureSide;

    // One cell's extent; the divisor is the cell count, so xMax itself is
    // never sampled.
    double XStep() const { return (xMax - xMin) / side; }
    double YStep() const { return (yMax - yMin) / side; }

    friend bool operator==(const View&, const View&) = default;
};

inline constexpr View DefaultView{};

// The plane point under a position in picture coordinates (0..side both ways).
PlanePoint ToPlane(const View& view, float x, float y);

// The view for a region dragged from one corner to another, made square
// round the dragged box. The corners are plane points, each converted in the
// view that was on the screen when it was pressed.
View Magnify(PlanePoint first, PlanePoint second);

} // namespace fractal
