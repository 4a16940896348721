#pragma once

#include "bilinear_table.h"
#include "deep_view.h"
#include "grid.h"
#include "render.h"
#include "wide_float.h"

#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace fractal {

// A point of the reference orbit, rounded to doubles.
struct OrbitPoint
{
    double x = 0.0;
    double y = 0.0;
};

// The orbit of a view's centre under z -> z^2 + c from z = 0, computed in
// high precision and kept as doubles: z0 = 0 up to the first point past
// radius 2 (kept), or maxIterations + 1 points after z0 if it stays; an
// orbit back within far less than a pixel of an earlier point repeats
// from there on.
struct ReferenceOrbit
{
    DeepPoint centre;
    std::vector<OrbitPoint> points;
    // An orbit seen to go round a cycle is stored repeating it exactly:
    // points[i + cyclePeriod] == points[i] from cycleStart on. 0: no cycle.
    std::size_t cycleStart = 0;
    std::size_t cyclePeriod = 0;
};

// nullopt when stopped.
std::optional<ReferenceOrbit> ComputeReferenceOrbit(const DeepView& view, int maxIterations,
                                                    std::stop_token stop = {});

// Everything a column of a deep view needs, computed once per view: the
// reference orbit and each column's and row's offset from its centre. A
// plan never changes after it is made, so worker threads may render
// separate column ranges from one plan into one grid. An orbit computed for
// fewer iterations than a render asks still gives the right counts (pixels
// restart from its start when it runs out), only more slowly.
struct PerturbationOptions
{
    // Runs of iterations skipped as linear maps where they are exact to a
    // double's rounding: the counts barely change (chaotic pixels may), and
    // deep views with long orbits render many times faster.
    bool bilinear = true;
    // For building the table of linear maps; 0: every core.
    int threadCount = 0;
};

// What one pixel's iteration found.
struct PixelOutcome
{
    int count = NotEscaped;
    // |z|^2 at the first point past radius 2, when it escaped.
    double escapeNorm = 0.0;
    // Iterations taken as linear maps rather than one by one.
    long skipped = 0;
};

class PerturbationPlan
{
public:
    PerturbationPlan(const DeepView& view, ReferenceOrbit orbit, PerturbationOptions options = {});
    ~PerturbationPlan();
    PerturbationPlan(PerturbationPlan&&) noexcept;

    // The escape count of pixel (x, y) by the rule of EscapeCount, or
    // NotEscaped: x is the column, y the row, sampling ToPlane(view, x, y).
    // If escapeNorm is given, an escaped pixel's |z|^2 past radius 2 goes
    // there.
    int EscapeCount(int x, int y, int maxIterations, double* escapeNorm = nullptr) const;
    PixelOutcome Evaluate(int x, int y, int maxIterations) const;

    // Columns firstColumn to endColumn - 1, each top to bottom, coloured as
    // Render colours; columnDone after each. False when stopped, the grid
    // then part drawn.
    bool RenderColumns(int firstColumn, int endColumn, int maxIterations, ColourGrid& grid,
                       const ColumnDone& columnDone = {}, std::stop_token stop = {}) const;

    const ReferenceOrbit& Orbit() const { return orbit_; }

private:
    ReferenceOrbit orbit_;
    std::vector<WideFloat> columnOffsets_;
    std::vector<WideFloat> rowOffsets_;
    std::unique_ptr<const BilinearTable> table_;
};

// A view whose corners or width overflow a double lies far beyond the set
// (only a hand-written place goes there); its cells are counted one by one,
// by the rule of EscapeCount, since a reference orbit there overflows too.
bool IsFarOut(const DeepView& view);
int FarOutEscapeCount(const DeepView& view, int x, int y, int maxIterations);

// The escape-time picture of any view, column by column from the left.
// Where doubles are enough this is Render's picture, bit for bit; elsewhere
// it is rendered by perturbation around one reference orbit. nullopt when
// stopped.
std::optional<ColourGrid> RenderDeep(const DeepView& view, int maxIterations, const ColumnDone& columnDone = {},
                                     std::stop_token stop = {});

} // namespace fractal
