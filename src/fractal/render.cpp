#include "render.h"

#include "escape_counts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace fractal {

int EscapeCount(double cx, double cy, int maxIterations)
{
    double zx = 0.0;
    double zy = 0.0;
    for (int n = 0; n <= maxIterations; ++n) {
        const double nx = zx * zx - zy * zy + cx;
        const double ny = 2.0 * zx * zy + cy;
        if (nx * nx + ny * ny > 4.0)
            return n;
        zx = nx;
        zy = ny;
    }
    return NotEscaped;
}

float SmoothCount(int count, double escapeNorm)
{
    if (count == NotEscaped)
        return static_cast<float>(NotEscaped);
    // Only a cell far outside the set overflows; it gets its plain count.
    if (!std::isfinite(escapeNorm))
        return static_cast<float>(count);
    // log2 |z| = log2(|z|^2) / 2, above 1 past radius 2.
    return static_cast<float>(count + 1 - std::log2(std::log2(escapeNorm) / 2.0));
}

namespace {

// Columns counted at once: enough pixels to keep every vector lane busy
// until near the end, few enough that progress is still reported often.
constexpr int ColumnsPerBatch = 8;

} // namespace

ColourGrid Render(const View& view, int maxIterations, const ColumnDone& columnDone)
{
    const int side = view.side;
    ColourGrid grid(side);
    const InstructionSet instructions = FastestInstructionSet();
    std::vector<int> counts(static_cast<std::size_t>(ColumnsPerBatch * side));
    for (int first = 0; first < side; first += ColumnsPerBatch) {
        const ColumnRange columns{first, std::min(ColumnsPerBatch, side - first), side};
        CountEscapes(view, maxIterations, columns, counts, instructions);
        // Into the grid one column at a time, so each report sees its column
        // complete and none to its right.
        for (int i = 0; i < columns.columnCount; ++i) {
            const int x = first + i;
            for (int y = 0; y < side; ++y)
                grid.Set(x, y, ColourOf(counts[static_cast<std::size_t>(i * side + y)]));
            if (columnDone)
                columnDone(x, grid);
        }
    }
    return grid;
}

} // namespace fractal
