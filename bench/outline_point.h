#pragma once

#include "outline.h"

#include <QPointF>

#include <optional>

// Where the benchmarks press: on the set's own outline rather than on the
// frame round the picture, the first outline cell left of the frame on a row.
inline std::optional<QPointF> OutlinePointOnRow(const fractal::OutlineGrid& outline, int row = 150)
{
    for (int x = fractal::PictureSide - 2; x > 0; --x) {
        if (outline.At(x, row) == fractal::OutlineWhite)
            return QPointF(x, row);
    }
    return std::nullopt;
}
