#pragma once

#include "view.h"

#include <span>
#include <stop_token>
#include <vector>

namespace fractal {

// The vector instructions the fast renderer can count with. Both give the
// counts of EscapeCount exactly; they differ only in how many pixels a
// batch holds.
enum class InstructionSet { Sse2, Avx2 };

// What this processor runs, the fastest last; SSE2 is always there on x86-64.
std::vector<InstructionSet> SupportedInstructionSets();
InstructionSet FastestInstructionSet();

// The pixels of columns firstColumn .. firstColumn + columnCount - 1 of the
// view, column by column, each top to bottom.
struct ColumnRange
{
    int firstColumn = 0;
    int columnCount = 0;
    // Every column's pixels: the picture's side.
    int rowCount = PictureSide;

    int PixelCount() const { return columnCount * rowCount; }
};

// The escape count of every pixel of the columns, in that order, into
// counts (at least columns.PixelCount() of them), as EscapeCount gives them;
// the rows are the view's side.
// A pixel whose orbit returns exactly to an earlier point can never escape,
// so it is NotEscaped as soon as that is seen. False when stop was requested
// before every count was known (the counts are then incomplete), or when
// counts is too short to hold them or the rows are not the view's side.
// Given escapeNorms as long as counts, each escaped pixel's |z|^2 past
// radius 2 goes there too.
bool CountEscapes(const View& view, int maxIterations, ColumnRange columns, std::span<int> counts,
                  InstructionSet instructions, std::stop_token stop = {}, std::span<double> escapeNorms = {});

} // namespace fractal
