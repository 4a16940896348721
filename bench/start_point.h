#pragma once

#include <QPoint>

#include <optional>

// Where the benches press: on the set's own outline rather than on the frame
// round the picture, found by scanning one row of OutlineGrid from the right.
inline constexpr int PressRow = 150;

std::optional<QPoint> OutlinePointOnRow(int row);
