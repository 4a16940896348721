#include "view_explorer.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The readout's centre has at most this many decimals; the place keeps all.
constexpr int ReadoutMostDecimals = 12;
// From this size on the readout's numbers are written with a power of ten.
constexpr double FarReadout = 1e6;

} // namespace

int AutomaticIterations(const fractal::DeepView& view)
{
    const fractal::BigFloat width = view.XMax() - view.XMin();
    if (width.IsZero() || width < fractal::BigFloat(0.0, width.Precision()))
        return AutomaticMostIterations;
    const double wholeWidth = fractal::DefaultView.xMax - fractal::DefaultView.xMin;
    const double decades = std::log10(wholeWidth) - width.Log10();
    const double iterations = AutomaticBaseIterations + AutomaticIterationsPerDecade * std::max(0.0, decades);
    return static_cast<int>(std::min(iterations, double(AutomaticMostIterations)));
}

ViewExplorer::ViewExplorer(Screen& screen, RenderRunner& renderer) : screen_(screen), renderer_(renderer) {}

ViewExplorer::~ViewExplorer()
{
    renderer_.Cancel();
}

fractal::View ViewExplorer::ViewInDoubles() const
{
    if (const auto view = view_.AsView())
        return *view;
    return {view_.XMin().ToDouble(), view_.XMax().ToDouble(), view_.YMin().ToDouble(), view_.YMax().ToDouble()};
}

QString ViewExplorer::Readout() const
{
    const fractal::BigFloat centreX = (view_.XMin() + view_.XMax()) / 2.0;
    const fractal::BigFloat centreY = (view_.YMin() + view_.YMax()) / 2.0;
    const fractal::BigFloat width = view_.XMax() - view_.XMin();
    // Digits down to about a hundredth of the width, so the centre moves as
    // the view does; a deep view's full digits are for its place file.
    const double widthLog = width.IsZero() ? 0.0 : width.Log10();
    const int decimals = std::clamp(static_cast<int>(std::ceil(-widthLog)) + 2, 4, ReadoutMostDecimals);
    const auto scientific = [](const fractal::BigFloat& magnitude) {
        const double log = magnitude.Log10();
        const int exponent = static_cast<int>(std::floor(log));
        return QStringLiteral("%1 × 10^%2").arg(std::pow(10.0, log - exponent), 0, 'f', 2).arg(exponent);
    };
    // Far out of the set (only a hand-written place goes there) the digits
    // before the point would fill the line, and a double overflows.
    const fractal::BigFloat far(FarReadout, width.Precision());
    const auto decimal = [&](const fractal::BigFloat& value) {
        if (value.Abs() >= far) {
            const bool negative = value < fractal::BigFloat(0.0, value.Precision());
            return (negative ? QStringLiteral("-") : QString()) + scientific(value.Abs());
        }
        // A view deeper than the digits shown says so.
        const bool cut = decimals == ReadoutMostDecimals;
        return QString::fromStdString(value.ToFixed(decimals)) + (cut ? QStringLiteral("…") : QString());
    };
    QString widthText;
    if (width.IsZero())
        widthText = QStringLiteral("0");
    else if (widthLog >= -3.0 && width < far)
        widthText = QString::number(width.ToDouble(), 'g', 4);
    else
        widthText = scientific(width);
    return tr("Centre %1 %2 %3i, width %4, %5 iterations")
        .arg(decimal(centreX))
        .arg(centreY < fractal::BigFloat(0.0, centreY.Precision()) ? QStringLiteral("−") : QStringLiteral("+"))
        .arg(decimal(centreY.Abs()))
        .arg(widthText)
        .arg(QLocale().toString(maxIterations_));
}

void ViewExplorer::ApplyAccuracy()
{
    if (accuracyIndex_ >= 0 && accuracyIndex_ < AccuracyCount - 1)
        maxIterations_ = IterationsByAccuracy[static_cast<std::size_t>(accuracyIndex_)];
    else if (accuracyIndex_ == AutomaticAccuracy)
        maxIterations_ = AutomaticIterations(view_);
}

void ViewExplorer::StartRender(const fractal::DeepView& view, std::vector<fractal::DeepView> history, bool hideBand,
                               std::optional<int> iterations, const std::function<void()>& started,
                               std::function<void()> finished, std::optional<ScaledPreview> preview)
{
    beforeRender_ = {view_,    history_,      screen_.band, screen_.progress, maxIterations_, screen_.picture,
                     colours_, smoothCounts_, columnsDrawn_};
    view_ = view.WithSide(pictureSide_);
    history_ = std::move(history);
    if (hideBand)
        screen_.HideBand();
    if (iterations)
        maxIterations_ = *iterations;
    else
        ApplyAccuracy();
    if (preview)
        ShowPreview(*preview);
    else
        screen_.picture.ClearTo(view_.Side());
    colours_ = fractal::ColourGrid(view_.Side());
    smoothCounts_.assign(static_cast<std::size_t>(view_.Side()) * static_cast<std::size_t>(view_.Side()),
                         float(fractal::NotEscaped));
    columnsDrawn_ = 0;
    screen_.ShowPicture();
    screen_.SetProgress(0.0f);
    renderFinished_ = std::move(finished);
    started();
    renderer_.Start(view_, maxIterations_,
                    {.columnsReady =
                         [this](const fractal::ColumnBlock& block) { TakeColumns(block); },
                     .finished =
                         [this] {
                             hasPicture_ = true;
                             // A copy: what it starts may replace it.
                             const std::function<void()> finished = renderFinished_;
                             finished();
                         }});
}

void ViewExplorer::TakeColumns(const fractal::ColumnBlock& block)
{
    const int first = block.columns.firstColumn;
    const int end = first + block.columns.columnCount;
    auto colour = block.colours.begin();
    for (int x = first; x < end; ++x)
        for (int y = 0; y < view_.Side(); ++y, ++colour)
            colours_.Set(x, y, *colour);
    // Blocks hold whole columns, so their smooth counts go in at the first one's.
    if (block.smoothCounts.size() == block.colours.size())
        std::copy(block.smoothCounts.begin(), block.smoothCounts.end(),
                  smoothCounts_.begin() + std::ptrdiff_t(first) * view_.Side());
    columnsDrawn_ = end;
    PaintColumns(first, end);
    screen_.ShowPicture();
    // The bar still steps column by column, as it always has.
    for (int x = first; x < end; ++x)
        screen_.SetProgress(ColumnProgress(x, view_.Side()));
}

void ViewExplorer::PaintColumns(int first, int end)
{
    const int side = colours_.Side();
    for (int x = first; x < end; ++x) {
        for (int y = 0; y < side; ++y) {
            const std::size_t index = static_cast<std::size_t>(x) * std::size_t(side) + std::size_t(y);
            screen_.picture.Set(x, y, fractal::PaletteColour(palette_, colours_.At(x, y), smoothCounts_[index]));
        }
    }
}

void ViewExplorer::ShowColours()
{
    PaintColumns(0, columnsDrawn_);
    screen_.ShowPicture();
}

void ViewExplorer::ShowPreview(const ScaledPreview& preview)
{
    const Picture& old = beforeRender_.picture;
    const int oldSide = old.CellsPerSide();
    const int side = view_.Side();
    screen_.picture.ClearTo(side);
    // The preview's terms are in the old picture's cells; a picture of
    // another size is stretched onto them first (a factor of 1 at the same size).
    const double cellsPerCell = double(oldSide) / side;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double oldX = std::floor(x * cellsPerCell * preview.scale + preview.offsetX);
            const double oldY = std::floor(y * cellsPerCell * preview.scale + preview.offsetY);
            const bool inside = oldX >= 0 && oldY >= 0 && oldX < oldSide && oldY < oldSide;
            screen_.picture.Set(x, y, inside ? old.At(int(oldX), int(oldY)) : Picture::Background);
        }
    }
}

void ViewExplorer::CancelRender()
{
    renderer_.Cancel();
    view_ = beforeRender_.view;
    history_ = std::move(beforeRender_.history);
    maxIterations_ = beforeRender_.maxIterations;
    screen_.picture = std::move(beforeRender_.picture);
    colours_ = std::move(beforeRender_.colours);
    smoothCounts_ = std::move(beforeRender_.smoothCounts);
    columnsDrawn_ = beforeRender_.columnsDrawn;
    screen_.ShowPicture();
    screen_.SetProgress(beforeRender_.progress);
    screen_.SetBand(beforeRender_.band);
}

void ViewExplorer::SetFirstCorner(float x, float y)
{
    screen_.SetBand({true, QPointF(x, y), QPointF(x, y)});
    firstCorner_ = fractal::ToPlane(view_, x, y);
}

void ViewExplorer::StretchBand(float x, float y)
{
    RubberBand band = screen_.band;
    band.end = QPointF(x, y);
    screen_.SetBand(band);
}

fractal::DeepView ViewExplorer::Magnification(float x, float y) const
{
    return fractal::Magnify(firstCorner_, fractal::ToPlane(view_, x, y), view_.Side());
}
