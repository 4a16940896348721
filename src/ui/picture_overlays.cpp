// What the picture view draws over the picture: the piece's path as far as
// it has played, the ring round the sounding cell and a point's orbit.
#include "picture.h"
#include "picture_view.h"
#include "repaint_throttle.h"

#include <QPainter>

#include <algorithm>

namespace {

// The path as the walk paints it: a square of two cells from each step's cell.
constexpr int PathMark = 2;
const QColor PlayedRed(255, 0, 0);
// Still to come: the same red, dimmed, so the played part stands out.
const QColor ComingRed(96, 0, 0);

// Distinct from the white outline and the red path, and from the black ground.
const QColor PlayheadColour(255, 255, 0);
// The ring's radius as a share of the picture's side, so it grows with the
// picture, and never fewer cells than this.
constexpr double PlayheadShare = 0.025;
constexpr double PlayheadLeastRadius = 3.0;
// Its line in screen pixels, a share of the picture on screen, and the dark
// edge either side that keeps it visible on yellow and white.
constexpr double PlayheadLineShare = 0.006;
constexpr double PlayheadLeastLine = 2.0;
constexpr double DarkEdge = 1.5;

const QColor OrbitColour(255, 160, 0);
constexpr double OrbitLine = 1.5;
constexpr double OrbitDot = 2.5;

} // namespace

void PictureView::SetPathProgress(std::vector<QPoint> path, std::optional<int> step)
{
    path_ = std::move(path);
    pathStep_ = step;
    throttle_.Changed(this);
}

void PictureView::SetOrbit(std::vector<QLineF> segments, std::vector<QPointF> points)
{
    orbitSegments_ = std::move(segments);
    orbitPoints_ = std::move(points);
    throttle_.Changed(this);
}

void PictureView::PaintPathProgress(QPainter& painter) const
{
    if (!pathStep_)
        return;
    const auto paint = [&](std::size_t from, std::size_t to, const QColor& colour) {
        for (std::size_t i = from; i < to; ++i)
            painter.fillRect(QRect(path_[i], QSize(PathMark, PathMark)), colour);
    };
    const std::size_t played = std::min(path_.size(), static_cast<std::size_t>(std::max(*pathStep_, 0)) + 1);
    // A step back crosses cells played before: the played marks go on top.
    paint(played, path_.size(), ComingRed);
    paint(0, played, PlayedRed);
}

void PictureView::PaintPlayhead(QPainter& painter, int pixels) const
{
    if (!playhead_ || pixels <= 0)
        return;
    const int cells = picture_.CellsPerSide();
    const double cellPixels = double(pixels) / cells;
    const double radius = std::max(PlayheadLeastRadius, cells * PlayheadShare);
    const double line = std::max(PlayheadLeastLine, pixels * PlayheadLineShare);
    // The centre of the step's mark, whose top left cell is the playhead.
    const QPointF centre(playhead_->x() + PathMark / 2.0, playhead_->y() + PathMark / 2.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, (line + 2 * DarkEdge) / cellPixels));
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(PlayheadColour, line / cellPixels));
    painter.drawEllipse(centre, radius, radius);
    painter.restore();
}

void PictureView::PaintOrbit(QPainter& painter, int pixels) const
{
    if (orbitSegments_.empty() && orbitPoints_.empty())
        return;
    const double cellPixels = double(pixels) / picture_.CellsPerSide();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(QRectF(0, 0, picture_.CellsPerSide(), picture_.CellsPerSide()));
    for (const auto& [colour, width] : {std::pair{QColor(Qt::black), OrbitLine + 2 * DarkEdge}, {OrbitColour, OrbitLine}}) {
        painter.setPen(QPen(colour, width / cellPixels, Qt::SolidLine, Qt::RoundCap));
        painter.drawLines(orbitSegments_.data(), static_cast<int>(orbitSegments_.size()));
    }
    painter.setPen(QPen(Qt::black, DarkEdge / cellPixels));
    painter.setBrush(OrbitColour);
    const double dot = OrbitDot / cellPixels;
    for (const QPointF& point : orbitPoints_)
        painter.drawEllipse(point, dot, dot);
    painter.restore();
}
