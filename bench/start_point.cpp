#include "start_point.h"

#include "outline.h"
#include "shared_state.h"

std::optional<QPoint> OutlinePointOnRow(int row)
{
    // Column 399 is the frame; the set's outline is the first mark left of it.
    for (int x = PictureSide - 2; x > 0; --x) {
        if (OutlineGrid[x][row] == OutlineWhite)
            return QPoint(x, row);
    }
    return std::nullopt;
}
