#include "perturbation.h"

#include "perturbed_pixel.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace fractal {

namespace {

WideFloat ToWide(const BigFloat& value)
{
    if (value.IsZero())
        return {};
    long exponent = 0;
    const double mantissa = mpfr_get_d_2exp(&exponent, value.Raw(), MPFR_RNDN);
    return Normalized(mantissa, exponent);
}

} // namespace

using perturbed::Pixel;

PerturbationPlan::PerturbationPlan(const DeepView& view, ReferenceOrbit orbit, PerturbationOptions options)
    : orbit_(std::move(orbit))
{
    columnOffsets_.reserve(static_cast<std::size_t>(view.Side()));
    rowOffsets_.reserve(static_cast<std::size_t>(view.Side()));
    for (int i = 0; i < view.Side(); ++i) {
        // The sample points of ToPlane, then their exact-enough distance
        // from the centre.
        const DeepPoint point = ToPlane(view, static_cast<float>(i), static_cast<float>(i));
        columnOffsets_.push_back(ToWide(point.x - orbit_.centre.x));
        rowOffsets_.push_back(ToWide(point.y - orbit_.centre.y));
    }
    if (options.bilinear) {
        WideFloat sides[2];
        for (int axis = 0; axis < 2; ++axis) {
            for (const WideFloat& offset : axis == 0 ? columnOffsets_ : rowOffsets_) {
                const WideFloat size{std::abs(offset.mantissa), offset.exponent};
                sides[axis] = sides[axis] < size ? size : sides[axis];
            }
        }
        // The corner farthest from the centre, rounded up a little.
        const long scale = std::max(sides[0].exponent, sides[1].exponent);
        const WideFloat largest =
            Normalized(std::hypot(Unscaled(sides[0], scale), Unscaled(sides[1], scale)) * (1.0 + 0x1p-50), scale);
        table_ = std::make_unique<const BilinearTable>(orbit_.points, largest, options.threadCount);
    }
}

PerturbationPlan::~PerturbationPlan() = default;
PerturbationPlan::PerturbationPlan(PerturbationPlan&&) noexcept = default;

PixelOutcome PerturbationPlan::Evaluate(int x, int y, int maxIterations) const
{
    Pixel pixel(orbit_, columnOffsets_[static_cast<std::size_t>(x)], rowOffsets_[static_cast<std::size_t>(y)],
                table_.get());
    const int count = pixel.Count(maxIterations);
    return {count, pixel.NormPastRadius(), pixel.Skipped()};
}

int PerturbationPlan::EscapeCount(int x, int y, int maxIterations, double* escapeNorm) const
{
    const PixelOutcome outcome = Evaluate(x, y, maxIterations);
    if (escapeNorm != nullptr)
        *escapeNorm = outcome.escapeNorm;
    return outcome.count;
}

bool PerturbationPlan::RenderColumns(int firstColumn, int endColumn, int maxIterations, ColourGrid& grid,
                                     const ColumnDone& columnDone, std::stop_token stop) const
{
    const int side = static_cast<int>(rowOffsets_.size());
    for (int x = firstColumn; x < endColumn; ++x) {
        for (int y = 0; y < side; ++y) {
            if (stop.stop_requested())
                return false;
            const int count = EscapeCount(x, y, maxIterations);
            if (count != NotEscaped)
                grid.Set(x, y, ColourOf(count));
        }
        if (columnDone)
            columnDone(x, grid);
    }
    return true;
}

bool IsFarOut(const DeepView& view)
{
    return view.Precision() == BigFloat::DoubleBits && !view.AsView();
}

// Every cell outside the square of side 4 around 0 escapes at once, and the
// few inside it are points that a double holds.
int FarOutEscapeCount(const DeepView& view, int x, int y, int maxIterations)
{
    const BigFloat escapeRadius(2.0, view.Precision());
    const DeepPoint c = ToPlane(view, static_cast<float>(x), static_cast<float>(y));
    if (c.x.Abs() > escapeRadius || c.y.Abs() > escapeRadius)
        return 0;
    return EscapeCount(c.x.ToDouble(), c.y.ToDouble(), maxIterations);
}

namespace {

std::optional<ColourGrid> RenderFarOut(const DeepView& view, int maxIterations, const ColumnDone& columnDone,
                                       std::stop_token stop)
{
    ColourGrid grid(view.Side());
    for (int x = 0; x < view.Side(); ++x) {
        for (int y = 0; y < view.Side(); ++y) {
            if (stop.stop_requested())
                return std::nullopt;
            const int count = FarOutEscapeCount(view, x, y, maxIterations);
            if (count != NotEscaped)
                grid.Set(x, y, ColourOf(count));
        }
        if (columnDone)
            columnDone(x, grid);
    }
    return grid;
}

} // namespace

std::optional<ColourGrid> RenderDeep(const DeepView& view, int maxIterations, const ColumnDone& columnDone,
                                     std::stop_token stop)
{
    const std::optional<View> shallow = view.AsView();
    if (shallow) {
        // The double loop has no stop of its own: asked to stop, its
        // picture is dropped when it returns.
        if (stop.stop_requested())
            return std::nullopt;
        ColourGrid grid = Render(*shallow, maxIterations, columnDone);
        if (stop.stop_requested())
            return std::nullopt;
        return grid;
    }
    if (IsFarOut(view))
        return RenderFarOut(view, maxIterations, columnDone, stop);
    std::optional<ReferenceOrbit> orbit = ComputeReferenceOrbit(view, maxIterations, stop);
    if (!orbit)
        return std::nullopt;
    const PerturbationPlan plan(view, std::move(*orbit));
    ColourGrid grid(view.Side());
    if (!plan.RenderColumns(0, view.Side(), maxIterations, grid, columnDone, stop))
        return std::nullopt;
    return grid;
}

} // namespace fractal
