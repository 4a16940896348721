#pragma once

#include "deep_view.h"
#include "grid.h"
#include "render.h"

#include <optional>
#include <stop_token>
#include <vector>

namespace fractal {

// mantissa * 2^exponent with 0.5 <= |mantissa| < 1, or a zero mantissa with
// ZeroExponent: the offsets of pixels from the centre of a view 1e-1000 wide
// are far below the smallest double.
struct WideFloat
{
    static constexpr long ZeroExponent = -(1L << 60);

    double mantissa = 0.0;
    long exponent = ZeroExponent;
};

// A point of the reference orbit, rounded to doubles.
struct OrbitPoint
{
    double x = 0.0;
    double y = 0.0;
};

// The orbit of a view's centre under z -> z^2 + c from z = 0, computed in
// high precision and kept as doubles: z0 = 0 up to the first point past
// radius 2 (kept), or maxIterations + 1 points after z0 if it stays.
struct ReferenceOrbit
{
    DeepPoint centre;
    std::vector<OrbitPoint> points;
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
class PerturbationPlan
{
public:
    PerturbationPlan(const DeepView& view, ReferenceOrbit orbit);

    // The escape count of pixel (x, y) by the rule of EscapeCount, or
    // NotEscaped: x is the column, y the row, sampling ToPlane(view, x, y).
    // If escapeNorm is given, an escaped pixel's |z|^2 past radius 2 goes
    // there.
    int EscapeCount(int x, int y, int maxIterations, double* escapeNorm = nullptr) const;

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
