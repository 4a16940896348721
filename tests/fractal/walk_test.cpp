#include "outline.h"
#include "printing.h"
#include "walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using fractal::Cell;
using fractal::OutlineGrid;
using fractal::OutlineWhite;

// Direction codes as the walk's bytes name them: clockwise from up, y downward.
constexpr Cell Steps[8] = {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};

OutlineGrid Marked(const std::vector<Cell>& cells)
{
    OutlineGrid outline;
    for (const Cell cell : cells)
        outline.Set(cell.x, cell.y, OutlineWhite);
    return outline;
}

// n cells from first, each one step in direction code from the one before.
std::vector<Cell> Line(Cell first, int code, int n)
{
    std::vector<Cell> cells;
    for (int i = 0; i < n; ++i)
        cells.push_back({first.x + i * Steps[code].x, first.y + i * Steps[code].y});
    return cells;
}

template <typename T>
std::vector<T> Joined(std::vector<T> a, const std::vector<T>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::uint8_t> Repeated(std::uint8_t code, int n)
{
    return std::vector<std::uint8_t>(n, code);
}

TEST(ChooseStartPoint, TriesThePressedCellThenLeftUpUpLeftRightDownAndDownRight)
{
    const std::vector<Cell> order = {{10, 10}, {9, 10}, {10, 9}, {9, 9}, {11, 10}, {10, 11}, {11, 11}};
    // Up-right and down-left are marked too, and never chosen.
    OutlineGrid outline = Marked(Joined<Cell>(order, {{11, 9}, {9, 11}}));
    for (const Cell expected : order) {
        EXPECT_EQ(fractal::ChooseStartPoint(outline, 10, 10), expected);
        outline.Set(expected.x, expected.y, 0);
    }
    EXPECT_EQ(fractal::ChooseStartPoint(outline, 10, 10), std::nullopt) << "up-right and down-left are no candidates";
}

TEST(ChooseStartPoint, RoundsHalfToEvenAfterSinglePrecisionSumsAndStaysOnThePicture)
{
    // The largest float below 0.5: plus 1 in single precision it rounds to
    // 1.5 and so to cell 2; in double precision it would give cell 1.
    const float justBelowHalf = std::nextafter(0.5f, 0.0f);
    struct Case
    {
        const char* press;
        std::vector<Cell> marked;
        float x, y;
        std::optional<Cell> start;
    };
    const Case cases[] = {
        {"a half in x rounds to the even column", {{10, 20}, {11, 20}}, 10.5f, 20.0f, Cell{10, 20}},
        {"a half in y rounds to the even row", {{20, 10}, {20, 11}}, 20.0f, 10.5f, Cell{20, 10}},
        {"other positions round to the nearest cell", {{10, 10}, {11, 11}}, 10.7f, 10.6f, Cell{11, 11}},
        {"x + 1 is summed in single precision", {{2, 10}}, justBelowHalf, 10.0f, Cell{2, 10}},
        {"y + 1 is summed in single precision", {{10, 2}}, 10.0f, justBelowHalf, Cell{10, 2}},
        {"the bottom-right cell", {{399, 399}}, 399.4f, 399.4f, Cell{399, 399}},
        {"the far corner reaches the last cell up-left", {{399, 399}}, 400.0f, 400.0f, Cell{399, 399}},
        {"a half past the last cell rounds onto the spare one", {{399, 399}}, 399.5f, 399.5f, std::nullopt},
        {"two cells away is too far", {{12, 10}}, 10.0f, 10.0f, std::nullopt},
        {"column 0 has nothing to its left", {{399, 10}, {399, 9}}, 0.0f, 10.0f, std::nullopt},
        {"row 0 has nothing above it", {{10, 399}, {9, 399}}, 10.0f, 0.0f, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fractal::ChooseStartPoint(Marked(c.marked), c.x, c.y), c.start) << c.press;
}

struct Walked
{
    fractal::WalkResult result;
    std::vector<Cell> visited;
    OutlineGrid after;
};

Walked WalkOn(const std::vector<Cell>& cells, Cell start, int length)
{
    Walked walked{{}, {}, Marked(cells)};
    walked.result = fractal::Walk(walked.after, start, length, [&](Cell cell) { walked.visited.push_back(cell); });
    return walked;
}

TEST(Walk, GoesStraightOnWhereItCanTurnsClockwiseAndStepsBackAtDeadEnds)
{
    struct Case
    {
        const char* outline;
        std::vector<Cell> cells;
        Cell start;
        int length;
        std::vector<std::uint8_t> directions;
        bool completed;
        std::vector<Cell> visited;
    };
    const Case cases[] = {
        {"the first move goes to the first neighbour clockwise from up", {{50, 50}, {51, 49}, {49, 49}}, {50, 50}, 0,
         {1}, true, {{50, 50}}},
        {"a row, then down rather than up at its end",
         Joined(Joined(Line({10, 10}, 2, 11), Line({20, 11}, 4, 10)), Line({20, 9}, 0, 5)), {10, 10}, 10,
         Joined<std::uint8_t>(Repeated(2, 10), {4}), true, Line({10, 10}, 2, 11)},
        {"a diagonal", Line({10, 10}, 3, 6), {10, 10}, 4, Repeated(3, 5), true, Line({10, 10}, 3, 5)},
        // Out to the dead end at 13, back to the start adding 4 each step,
        // then on to the left: 14 is the reverse of 2 once more.
        {"a spur to the right of the start", Line({8, 10}, 2, 6), {10, 10}, 7, {2, 2, 2, 6, 10, 14, 6, 6}, true,
         {{10, 10}, {11, 10}, {12, 10}, {13, 10}, {12, 10}, {11, 10}, {10, 10}, {9, 10}}},
        {"a start with no neighbour", {{50, 60}, {200, 200}}, {50, 60}, 400, {}, false, {{50, 60}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outline);
        const Walked walked = WalkOn(c.cells, c.start, c.length);
        EXPECT_EQ(walked.result.directions, c.directions);
        EXPECT_EQ(walked.result.completed, c.completed);
        EXPECT_EQ(walked.visited, c.visited) << "each step reports the cell it starts from";
        for (const Cell cell : c.cells) {
            const bool visited = std::find(c.visited.begin(), c.visited.end(), cell) != c.visited.end();
            EXPECT_EQ(walked.after.At(cell.x, cell.y), visited ? 0 : OutlineWhite)
                << "cell (" << cell.x << ", " << cell.y << ") is cleared exactly when visited";
        }
    }
}

TEST(Walk, AnIsolatedRunIsWalkedOutAndBackAndThenFails)
{
    for (const int n : {2, 5, 64}) {
        SCOPED_TRACE("run of " + std::to_string(n));
        const std::vector<Cell> run = Line({100, 100}, 2, n);
        const Walked walked = WalkOn(run, run.front(), 2 * n - 2);
        std::vector<std::uint8_t> expected = Repeated(2, n - 1);
        for (int k = 1; k <= n - 1; ++k)
            expected.push_back(static_cast<std::uint8_t>(2 + 4 * k));  // 6, 10, ..., 4n - 2
        EXPECT_EQ(walked.result.directions, expected);
        EXPECT_FALSE(walked.result.completed);
        for (const Cell cell : run)
            EXPECT_EQ(walked.after.At(cell.x, cell.y), 0) << "cell (" << cell.x << ", " << cell.y << ") is cleared";
    }
}

TEST(Walk, DeadEndDirectionsStopAt255InsteadOfWrapping)
{
    // A branch of 70 cells to the right of the start, the way on to the left.
    const Walked walked = WalkOn(Joined(Line({100, 200}, 2, 70), Line({99, 200}, 6, 80)), {100, 200}, 200);
    const auto& directions = walked.result.directions;
    ASSERT_EQ(directions.size(), 201u);
    EXPECT_TRUE(walked.result.completed);
    EXPECT_EQ(std::vector<std::uint8_t>(directions.begin(), directions.begin() + 69), Repeated(2, 69));
    for (int k = 1; k <= 69; ++k)
        EXPECT_EQ(directions[68 + k], std::min(2 + 4 * k, 255)) << "dead end " << k;
    EXPECT_EQ(std::vector<std::uint8_t>(directions.begin() + 138, directions.end()), Repeated(6, 63))
        << "back at the start, the walk goes on to the left";
}

// Seeded random outlines of wandering curves, each walked from one of its
// cells. The walk is replayed on a copy of the outline: every move must enter
// the first marked neighbour clockwise from the last direction, a step back
// happens only at a dead end and returns to the cell the walk came from, and
// exactly the cells the walk made current are cleared.
TEST(Walk, RandomOutlinesKeepTheWalkRules)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> coordinate(0, 399);
    std::uniform_int_distribution<int> code(0, 7);
    int completedWalks = 0;
    int failedWalks = 0;
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<Cell> cells;
        for (int curve = 0; curve < 6; ++curve) {
            Cell cell{coordinate(random), coordinate(random)};
            for (int i = 0; i < 400; ++i) {
                cells.push_back(cell);
                const Cell step = Steps[code(random)];
                cell = {std::clamp(cell.x + step.x, 0, 399), std::clamp(cell.y + step.y, 0, 399)};
            }
        }
        const int length = std::uniform_int_distribution<int>(8, 800)(random);
        const Cell start = cells[std::uniform_int_distribution<std::size_t>(0, cells.size() - 1)(random)];
        const Walked walked = WalkOn(cells, start, length);
        const auto& directions = walked.result.directions;
        ++(walked.result.completed ? completedWalks : failedWalks);
        if (walked.result.completed)
            ASSERT_EQ(directions.size(), std::size_t(length) + 1);
        else
            ASSERT_LE(directions.size(), std::size_t(length));
        ASSERT_EQ(walked.visited.size(), directions.size() + (walked.result.completed ? 0 : 1))
            << "one report per step, and one more for the final dead end at the start";

        OutlineGrid replay = Marked(cells);
        std::vector<Cell> path{start};
        int direction = 0;  // unbounded, as the dead-end sums run
        auto firstMarked = [&](Cell from) -> std::optional<int> {
            for (int k = direction; k < direction + 8; ++k) {
                const Cell to{from.x + Steps[k % 8].x, from.y + Steps[k % 8].y};
                if (fractal::InsidePicture(to.x, to.y) && replay.At(to.x, to.y) == OutlineWhite)
                    return k % 8;
            }
            return std::nullopt;
        };
        for (std::size_t i = 0; i <= directions.size() && i < walked.visited.size(); ++i) {
            const Cell current = path.back();
            ASSERT_EQ(walked.visited[i], current) << "step " << i;
            replay.Set(current.x, current.y, 0);
            const auto next = firstMarked(current);
            if (i == directions.size()) {
                ASSERT_FALSE(walked.result.completed);
                ASSERT_EQ(path.size(), 1u) << "a walk fails only where it began";
                ASSERT_FALSE(next.has_value()) << "and only at a dead end";
            } else if (next) {
                ASSERT_EQ(directions[i], *next) << "step " << i << " moves to the first marked neighbour clockwise";
                direction = *next;
                path.push_back({current.x + Steps[direction].x, current.y + Steps[direction].y});
            } else {
                direction += 4;
                ASSERT_EQ(directions[i], std::min(direction, 255)) << "step " << i << " is a dead end";
                ASSERT_GT(path.size(), 1u) << "step " << i << " is stuck at the start yet went on";
                path.pop_back();
            }
        }
        ASSERT_TRUE(walked.after == replay) << "exactly the cells the walk made current are cleared";
    }
    EXPECT_GT(completedWalks, 10) << "the rounds should cover completed walks";
    EXPECT_GT(failedWalks, 10) << "and failed ones";
}

} // namespace
