#include "escape_counts.h"

#include "lane_kernel.h"
#include "render.h"

namespace fractal {

static_assert(kernel::NeverEscapes == NotEscaped);

namespace {

bool StopRequested(const void* stop)
{
    return static_cast<const std::stop_token*>(stop)->stop_requested();
}

} // namespace

std::vector<InstructionSet> SupportedInstructionSets()
{
    std::vector<InstructionSet> sets{InstructionSet::Sse2};
    // True only when the system also saves the 256-bit registers.
    if (__builtin_cpu_supports("avx2"))
        sets.push_back(InstructionSet::Avx2);
    return sets;
}

InstructionSet FastestInstructionSet()
{
    return SupportedInstructionSets().back();
}

bool CountEscapes(const View& view, int maxIterations, ColumnRange columns, std::span<int> counts,
                  InstructionSet instructions, std::stop_token stop, std::span<double> escapeNorms)
{
    // The sample points of ToPlane: cell index times step, plus the corner.
    const double xStep = view.XStep();
    const double yStep = view.YStep();
    std::vector<double> columnReals(static_cast<std::size_t>(columns.columnCount));
    for (int i = 0; i < columns.columnCount; ++i)
        columnReals[static_cast<std::size_t>(i)] = (columns.firstColumn + i) * xStep + view.xMin;
    std::vector<double> rowImaginaries(static_cast<std::size_t>(view.side));
    for (int y = 0; y < view.side; ++y)
        rowImaginaries[static_cast<std::size_t>(y)] = y * yStep + view.yMin;

    const kernel::Job job{
        .columnReals = columnReals.data(),
        .rowImaginaries = rowImaginaries.data(),
        .columnCount = columns.columnCount,
        .rowCount = view.side,
        .maxIterations = maxIterations,
        .counts = counts.data(),
        .escapeNorms = escapeNorms.size() >= counts.size() ? escapeNorms.data() : nullptr,
        .stopRequested = stop.stop_possible() ? StopRequested : nullptr,
        .stopContext = &stop,
    };
    if (stop.stop_requested() || columns.rowCount != view.side || counts.size() < static_cast<std::size_t>(columns.PixelCount()))
        return false;
    return instructions == InstructionSet::Avx2 ? kernel::CountEscapesAvx2(job) : kernel::CountEscapesSse2(job);
}

} // namespace fractal
