#include "outline.h"

#include "shared_state.h"
#include "toolkit.h"

#include <array>

namespace {

struct Neighbour
{
    int dx;
    int dy;
};

constexpr std::array<Neighbour, 8> Neighbours{{
    {-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {1, -1}, {1, 0}, {0, 1}, {1, 1},
}};

// An escaped pixel is on the outline when its eight neighbours include both
// escaped and non-escaped ones; a neighbour off the picture counts as
// non-escaped, which is what puts a frame round an escaping edge.
bool IsOutlinePixel(int x, int y)
{
    int escaped = 0;
    for (const auto& n : Neighbours) {
        const int nx = x + n.dx;
        const int ny = y + n.dy;
        const bool inside = nx >= 0 && ny >= 0 && nx < PictureSide && ny < PictureSide;
        if (inside && ColorGrid[nx][ny] != 0)
            ++escaped;
    }
    return escaped > 0 && escaped < 8;
}

} // namespace

void TraceOutline()
{
    for (int x = 0; x < PictureSide; ++x) {
        for (int y = 0; y < PictureSide; ++y)
            OutlineGrid[x][y] = 0;
    }
    toolkit::ClearDrawArea();
    toolkit::SetProgress(0.0f);

    for (int x = 0; x < PictureSide; ++x) {
        toolkit::SetProgress(static_cast<float>(x / 400.0 * 100.0));
        for (int y = 0; y < PictureSide; ++y) {
            if (ColorGrid[x][y] == 0 || !IsOutlinePixel(x, y))
                continue;
            toolkit::SetPixel(static_cast<float>(x), static_cast<float>(y), OutlineWhite);
            OutlineGrid[x][y] = OutlineWhite;
        }
    }
}

void TraceClicked()
{
    toolkit::SetEnabled(toolkit::Button::Draw, false);
    toolkit::SetEnabled(toolkit::Button::Trace, false);
    toolkit::SetEnabled(toolkit::Button::Mangify, false);
    TraceOutline();
    toolkit::SetEnabled(toolkit::Button::Compose, true);
}
