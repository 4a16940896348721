#include "picture_view.h"

#include "picture.h"
#include "place_embedding.h"
#include "repaint_throttle.h"

#include <QBuffer>
#include <QMouseEvent>
#include <QPainter>

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

PictureView::PictureView(const Picture& picture, RepaintThrottle& throttle, QWidget* parent)
    : QWidget(parent)
    , picture_(picture)
    , throttle_(throttle)
{
    setMouseTracking(true);
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

QPointF PictureView::ToUser(QPointF widgetPosition) const
{
    const double sx = width() > 0 ? double(Picture::Side) / width() : 1.0;
    const double sy = height() > 0 ? double(Picture::Side) / height() : 1.0;
    return {widgetPosition.x() * sx, widgetPosition.y() * sy};
}

void PictureView::paintEvent(QPaintEvent*)
{
    throttle_.Painted(this);
    QPainter painter(this);
    // Nearest-neighbour scaling keeps every cell a crisp square on HiDPI screens.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), PictureImageView(picture_));
    painter.scale(double(width()) / Picture::Side, double(height()) / Picture::Side);
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
QPointF PictureView::CellUnderPointer(const QMouseEvent* event) const
{
    const QPointF rounded = event->position();
    const QPointF exact = event->scenePosition() - mapTo(window(), QPointF(0, 0));
    // An event made by hand may give its own position as the scene's.
    const bool consistent = std::abs(exact.x() - rounded.x()) <= 0.5 && std::abs(exact.y() - rounded.y()) <= 0.5;
    return CellUnder(ToUser(consistent ? exact : rounded));
}

void PictureView::mousePressEvent(QMouseEvent* event)
{
    const QPointF p = CellUnderPointer(event);
    emit pressed(static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void PictureView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = CellUnderPointer(event);
    emit moved(static_cast<float>(p.x()), static_cast<float>(p.y()));
}
