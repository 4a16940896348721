#include "picture_view.h"

#include "picture.h"
#include "place_embedding.h"
#include "repaint_throttle.h"

#include <QBuffer>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// Distinct from the white outline and the red path, and from the black ground.
const QColor PlayheadColour(255, 255, 0);
constexpr int PlayheadRadius = 2;  // a ring of 5 x 5 cells

} // namespace

QPointF CellUnder(QPointF userPosition)
{
    return {std::floor(userPosition.x()), std::floor(userPosition.y())};
}

QRect PictureRect(QSize viewSize, qreal devicePixelRatio)
{
    // A hair over a whole device pixel counts as that pixel: 400 points at 1.5 are 600 pixels.
    const auto devicePixels = [&](int points) { return int(std::floor(points * devicePixelRatio + 1e-6)); };
    const int width = devicePixels(viewSize.width());
    const int side = std::max(0, std::min(width, devicePixels(viewSize.height())));
    return {(width - side) / 2, 0, side, side};
}

std::optional<QPointF> CellUnder(QRect pictureRect, qreal devicePixelRatio, QPointF position)
{
    if (pictureRect.isEmpty())
        return std::nullopt;
    // Qt reports a device pixel at d / ratio points; snapping to 1/1024 of a
    // device pixel brings d back exactly, so no pixel lands in the cell before.
    const auto devicePosition = [&](double points, int origin) {
        return std::round(points * devicePixelRatio * 1024.0) / 1024.0 - origin;
    };
    const double x = devicePosition(position.x(), pictureRect.left());
    const double y = devicePosition(position.y(), pictureRect.top());
    const double side = pictureRect.width();
    if (x < 0 || y < 0 || x >= side || y >= side)
        return std::nullopt;
    // Nearest-neighbour scaling draws a device pixel with the cell at its top left corner.
    const QPointF cell = CellUnder(QPointF(x * Picture::Side / side, y * Picture::Side / side));
    return QPointF(std::min(cell.x(), Picture::Side - 1.0), std::min(cell.y(), Picture::Side - 1.0));
}

PictureView::PictureView(const Picture& picture, RepaintThrottle& throttle, QWidget* parent)
    : QWidget(parent)
    , picture_(picture)
    , throttle_(throttle)
{
    setMouseTracking(true);
    // A click takes the focus from a button, so a key pressed next does not press it.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage PictureView::Image() const
{
    return PictureImage(picture_);
}

namespace {

// The picture's 0x00BBGGRR words lie in memory as R, G, B and an unused
// byte, which is what QImage calls RGBX8888: shown as they are, with no copy.
QImage PictureImageView(const Picture& picture)
{
    static_assert(std::endian::native == std::endian::little);
    return QImage(reinterpret_cast<const uchar*>(picture.Pixels().data()), Picture::Side, Picture::Side,
                  QImage::Format_RGBX8888);
}

} // namespace

QImage PictureImage(const Picture& picture)
{
    return PictureImageView(picture).convertToFormat(QImage::Format_RGB32);
}

QByteArray PictureFile(const Picture& picture, const QByteArray& placeJson)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    PictureImage(picture).save(&buffer, "PNG");
    return WithPlaceInPng(png, placeJson).value_or(png);
}

void PictureView::PictureChanged()
{
    throttle_.Changed(this);
}

void PictureView::SetRubberBand(bool visible, QLineF line)
{
    rubberBandVisible_ = visible;
    rubberBand_ = line;
    throttle_.Changed(this);
}

void PictureView::SetPlayhead(std::optional<QPoint> cell)
{
    playhead_ = cell;
    throttle_.Changed(this);
}

QRect PictureView::PictureDeviceRect() const
{
    return PictureRect(size(), devicePixelRatioF());
}

QRectF PictureView::PictureArea() const
{
    const QRectF square = PictureDeviceRect();
    const qreal ratio = devicePixelRatioF();
    return {square.topLeft() / ratio, square.size() / ratio};
}

void PictureView::paintEvent(QPaintEvent*)
{
    throttle_.Painted(this);
    QPainter painter(this);
    const QRect square = PictureDeviceRect();
    if (square.size() != size() * devicePixelRatioF())
        painter.fillRect(rect(), palette().window());
    // Drawn in device pixels, so the square and the cells fall on whole pixels at any density.
    painter.scale(1.0 / devicePixelRatioF(), 1.0 / devicePixelRatioF());
    // Whole multiples keep every cell a crisp square; between them smoothing
    // avoids cells of uneven widths.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, square.width() % Picture::Side != 0);
    painter.drawImage(square, PictureImageView(picture_));
    painter.translate(square.topLeft());
    painter.scale(double(square.width()) / Picture::Side, double(square.height()) / Picture::Side);
    if (rubberBandVisible_) {
        painter.setPen(QPen(QColor(255, 0, 0), 0));
        painter.drawLine(rubberBand_);
    }
    if (playhead_) {
        // Crisp, one cell wide, round the sounding cell.
        painter.setPen(QPen(PlayheadColour, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRect(playhead_->x() - PlayheadRadius, playhead_->y() - PlayheadRadius,
                                  2 * PlayheadRadius, 2 * PlayheadRadius));
    }
}

// At a scale factor such as 2 or 1.5, Qt 6.4 rounds position() (and, on
// xcb, globalPosition()) to whole points, so half the device pixels of a cell
// would report the next one; scenePosition(), in the window's points, keeps
// the device pixel's own place.
std::optional<QPointF> PictureView::CellUnderPointer(const QMouseEvent* event) const
{
    const QPointF rounded = event->position();
    const QPointF exact = event->scenePosition() - mapTo(window(), QPointF(0, 0));
    // An event made by hand may give its own position as the scene's.
    const bool consistent = std::abs(exact.x() - rounded.x()) <= 0.5 && std::abs(exact.y() - rounded.y()) <= 0.5;
    return CellUnder(PictureDeviceRect(), devicePixelRatioF(), consistent ? exact : rounded);
}

// Beside the picture, in a view wider than tall, a press or move means nothing.
void PictureView::mousePressEvent(QMouseEvent* event)
{
    if (const auto p = CellUnderPointer(event))
        emit pressed(static_cast<float>(p->x()), static_cast<float>(p->y()));
}

void PictureView::mouseMoveEvent(QMouseEvent* event)
{
    if (const auto p = CellUnderPointer(event))
        emit moved(static_cast<float>(p->x()), static_cast<float>(p->y()));
}
