#include "draw_area.h"

#include "screen_refresh.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

constexpr QRgb Background = qRgb(0, 0, 0);

QRgb ToQRgb(std::int32_t colour)
{
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

std::int32_t FromQRgb(QRgb rgb)
{
    return qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16);
}

} // namespace

DrawArea::DrawArea(QWidget* parent)
    : QWidget(parent)
    , image_(Side, Side, QImage::Format_RGB32)
{
    image_.fill(Background);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DrawArea::Clear()
{
    image_.fill(Background);
    ScreenRefresh::Changed(this);
}

void DrawArea::SetPixel(float x, float y, std::int32_t colour)
{
    // Cell (x, y) is drawn at user coordinates (x, y); anything off the
    // picture is clipped, as a point drawn past the edge would be.
    const long px = std::lrint(x);
    const long py = std::lrint(y);
    if (px < 0 || py < 0 || px >= Side || py >= Side)
        return;
    reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(py)))[px] = ToQRgb(colour);
    ScreenRefresh::PixelChanged(this);
}

std::int32_t DrawArea::Pixel(int x, int y) const
{
    return FromQRgb(image_.pixel(x, y));
}

void DrawArea::SetLineVisible(bool visible)
{
    lineVisible_ = visible;
    ScreenRefresh::Changed(this);
}

void DrawArea::SetLineStart(float x, float y)
{
    line_.setP1(QPointF(x, y));
    ScreenRefresh::Changed(this);
}

void DrawArea::SetLineEnd(float x, float y)
{
    line_.setP2(QPointF(x, y));
    ScreenRefresh::Changed(this);
}

QPointF DrawArea::ToUser(QPointF widgetPosition) const
{
    const double sx = width() > 0 ? double(Side) / width() : 1.0;
    const double sy = height() > 0 ? double(Side) / height() : 1.0;
    return {widgetPosition.x() * sx, widgetPosition.y() * sy};
}

void DrawArea::paintEvent(QPaintEvent*)
{
    ScreenRefresh::Painted(this);
    QPainter painter(this);
    // Nearest-neighbour scaling keeps every cell a crisp square on HiDPI screens.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), image_);
    if (lineVisible_) {
        painter.scale(double(width()) / Side, double(height()) / Side);
        painter.setPen(QPen(QColor(255, 0, 0), 0));
        painter.drawLine(line_);
    }
}

void DrawArea::mousePressEvent(QMouseEvent* event)
{
    const QPointF p = ToUser(event->position());
    emit Pressed(static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void DrawArea::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = ToUser(event->position());
    emit Moved(static_cast<float>(p.x()), static_cast<float>(p.y()));
}
