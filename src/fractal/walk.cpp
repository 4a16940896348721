#include "walk.h"

#include "outline.h"

#include <algorithm>
#include <cmath>

namespace fractal {
namespace {

// A position becomes a cell by rounding half to even; positions that fall
// outside the grid have no cell.
std::optional<Cell> CellAt(float x, float y, int side)
{
    const float rx = std::nearbyint(x);
    const float ry = std::nearbyint(y);
    const auto limit = static_cast<float>(side);
    if (!(rx >= 0.0f && rx <= limit && ry >= 0.0f && ry <= limit))
        return std::nullopt;
    return Cell{static_cast<int>(rx), static_cast<int>(ry)};
}

// The first marked neighbour clockwise from direction, or none at a dead end.
std::optional<int> NextDirection(const OutlineGrid& outline, Cell cell, int direction)
{
    std::array<std::int32_t, 8> slots{};
    for (int code = 0; code < 8; ++code) {
        const int nx = cell.x + DirectionSteps[code].x;
        const int ny = cell.y + DirectionSteps[code].y;
        if (outline.Contains(nx, ny))
            slots[code] = outline.At(nx, ny);
    }
    for (int k = direction; k < direction + 8; ++k) {
        if (slots[k % 8] == OutlineWhite)
            return k % 8;
    }
    return std::nullopt;
}

} // namespace

std::optional<Cell> ChooseStartPoint(const OutlineGrid& outline, float x, float y)
{
    struct Candidate
    {
        float x;
        float y;
        bool tried;
    };
    // Sums in single precision, tested before rounding. Up-right and
    // down-left are never tried.
    const auto side = static_cast<float>(outline.Side());
    const std::array<Candidate, 7> candidates{{
        {x, y, true},
        {x - 1.0f, y, x > 0},
        {x, y - 1.0f, y > 0},
        {x - 1.0f, y - 1.0f, x > 0 && y > 0},
        {x + 1.0f, y, x + 1.0f < side},
        {x, y + 1.0f, y + 1.0f < side},
        {x + 1.0f, y + 1.0f, x + 1.0f < side && y + 1.0f < side},
    }};
    for (const Candidate& candidate : candidates) {
        if (!candidate.tried)
            continue;
        const auto cell = CellAt(candidate.x, candidate.y, outline.Side());
        if (cell && outline.At(cell->x, cell->y) == OutlineWhite)
            return cell;
    }
    return std::nullopt;
}

WalkResult Walk(OutlineGrid& outline, Cell start, int length, const std::function<void(Cell)>& visited)
{
    WalkResult result;
    result.directions.reserve(static_cast<std::size_t>(length) + 1);
    std::vector<Cell> path{start};
    int direction = 0;
    for (int step = 0; step <= length; ++step) {
        const Cell current = path.back();
        outline.Set(current.x, current.y, 0);
        if (visited)
            visited(current);

        if (const auto next = NextDirection(outline, current, direction)) {
            direction = *next;
            path.push_back({current.x + DirectionSteps[direction].x, current.y + DirectionSteps[direction].y});
        } else {
            // Step back along the path; the next search starts from the
            // reverse of the last move.
            direction += 4;
            if (path.size() == 1)
                return result;
            path.pop_back();
        }
        // A long run of dead ends grows the direction past a byte; 255 plays
        // as C5 like every other dead-end byte instead of wrapping into a
        // scale note.
        result.directions.push_back(static_cast<std::uint8_t>(std::min(direction, 255)));
    }
    result.completed = true;
    return result;
}

} // namespace fractal
