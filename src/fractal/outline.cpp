#include "outline.h"

#include <array>

namespace fractal {
namespace {

constexpr std::array<Cell, 8> NeighbourOffsets{{
    {-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {1, -1}, {1, 0}, {0, 1}, {1, 1},
}};

bool IsOutlineCell(const ColourGrid& colours, int x, int y)
{
    int escaped = 0;
    for (const Cell offset : NeighbourOffsets) {
        const int nx = x + offset.x;
        const int ny = y + offset.y;
        if (colours.Contains(nx, ny) && colours.At(nx, ny) != 0)
            ++escaped;
    }
    return escaped > 0 && escaped < 8;
}

} // namespace

OutlineGrid TraceOutline(const ColourGrid& colours, const TraceObserver& observer)
{
    const int side = colours.Side();
    OutlineGrid outline(side);
    for (int x = 0; x < side; ++x) {
        if (observer.columnStarted)
            observer.columnStarted(x);
        for (int y = 0; y < side; ++y) {
            if (colours.At(x, y) == 0 || !IsOutlineCell(colours, x, y))
                continue;
            outline.Set(x, y, OutlineWhite);
            if (observer.outlineFound)
                observer.outlineFound({x, y});
        }
    }
    return outline;
}

} // namespace fractal
