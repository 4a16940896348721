#include "render.h"

namespace fractal {

ColourGrid Render(const View& view, std::int16_t maxIterations, const ColumnDone& columnDone)
{
    ColourGrid grid;
    const double xStep = view.XStep();
    const double yStep = view.YStep();
    for (std::int16_t x = 0; x < PictureSide; ++x) {
        const double cx = x * xStep + view.xMin;
        for (std::int16_t y = 0; y < PictureSide; ++y) {
            const double cy = y * yStep + view.yMin;
            const std::int16_t count = EscapeCount(cx, cy, maxIterations);
            if (count != NotEscaped)
                grid.Set(x, y, EscapeColours[static_cast<std::size_t>(count % 7)]);
        }
        if (columnDone)
            columnDone(x, grid);
    }
    return grid;
}

} // namespace fractal
