#include "picture_view.h"

#include "picture.h"
#include "place_embedding.h"
#include "repaint_throttle.h"

#include <QApplication>
#include <QBuffer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

namespace {

// The keyboard's cell cursor: a square round the cell, unlike the ring.
const QColor CursorColour(0, 255, 255);
constexpr int ShiftCursorStep = 10;
// One notch of an ordinary wheel, in eighths of a degree.
constexpr int WheelNotch = 120;

// A hand that trembles during a click does not make it a drag.
bool IsDrag(QPointF movedBy)
{
    return movedBy.manhattanLength() >= QApplication::startDragDistance();
}

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

std::optional<QPointF> CellUnder(QRect pictureRect, qreal devicePixelRatio, QPointF position, int cellsPerSide)
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
    const QPointF cell = CellUnder(QPointF(x * cellsPerSide / side, y * cellsPerSide / side));
    const double last = cellsPerSide - 1.0;
    return QPointF(std::min(cell.x(), last), std::min(cell.y(), last));
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
    return QImage(reinterpret_cast<const uchar*>(picture.Pixels().data()), picture.CellsPerSide(),
                  picture.CellsPerSide(), QImage::Format_RGBX8888);
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
    // A picture of another size keeps the cursor on it.
    const int last = picture_.CellsPerSide() - 1;
    cursor_ = QPoint(std::min(cursor_.x(), last), std::min(cursor_.y(), last));
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
    const int cells = picture_.CellsPerSide();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, square.width() % cells != 0);
    const double cellSize = double(square.width()) / cells;
    if (panOffset_.isNull()) {
        painter.drawImage(square, PictureImageView(picture_));
    } else {
        // The picture follows a pan drag; what it uncovers stays black until the new view is drawn.
        painter.fillRect(square, Qt::black);
        painter.setClipRect(square);
        painter.drawImage(QRectF(square).translated(panOffset_ * cellSize), PictureImageView(picture_));
        painter.setClipping(false);
    }
    painter.translate(square.topLeft());
    painter.scale(cellSize, cellSize);
    if (panOffset_.isNull())
        PaintPathProgress(painter);
    if (rubberBandVisible_) {
        painter.setPen(QPen(QColor(255, 0, 0), 0));
        painter.drawLine(rubberBand_);
    }
    PaintOrbit(painter, square.width());
    PaintPlayhead(painter, square.width());
    if (cursorShown_ && hasFocus()) {
        painter.setPen(QPen(CursorColour, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(cursor_.x() - 1, cursor_.y() - 1, 3, 3));
    }
}

// At a scale factor such as 2 or 1.5, Qt 6.4 rounds position() (and, on
// xcb, globalPosition()) to whole points, so half the device pixels of a cell
// would report the next one; scenePosition(), in the window's points, keeps
// the device pixel's own place.
std::optional<QPointF> PictureView::CellUnderPointer(const QSinglePointEvent* event) const
{
    const QPointF rounded = event->position();
    const QPointF exact = event->scenePosition() - mapTo(window(), QPointF(0, 0));
    // An event made by hand may give its own position as the scene's.
    const bool consistent = std::abs(exact.x() - rounded.x()) <= 0.5 && std::abs(exact.y() - rounded.y()) <= 0.5;
    return CellUnder(PictureDeviceRect(), devicePixelRatioF(), consistent ? exact : rounded, picture_.CellsPerSide());
}

// Beside the picture, in a view wider than tall, a press or move means nothing.
void PictureView::mousePressEvent(QMouseEvent* event)
{
    const auto p = CellUnderPointer(event);
    if (!p)
        return;
    if (event->button() == Qt::LeftButton) {
        leftPress_ = event->position();
        dragged_ = false;
        cursor_ = p->toPoint();
        cursorShown_ = false;
        emit pressed(static_cast<float>(p->x()), static_cast<float>(p->y()));
    } else if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        panPress_ = event->position();
        panStart_ = *p;
    }
}

void PictureView::mouseMoveEvent(QMouseEvent* event)
{
    const auto p = CellUnderPointer(event);
    if (!p)
        return;
    if (panStart_) {
        if (!panOffset_.isNull() || IsDrag(event->position() - panPress_)) {
            panOffset_ = *p - *panStart_;
            update();
        }
        return;
    }
    if (leftPress_ && IsDrag(event->position() - *leftPress_))
        dragged_ = true;
    emit moved(static_cast<float>(p->x()), static_cast<float>(p->y()));
}

// A left press and release in one place stay a click; after a drag the
// release is the box's second corner.
void PictureView::mouseReleaseEvent(QMouseEvent* event)
{
    const auto p = CellUnderPointer(event);
    if (event->button() == Qt::LeftButton) {
        const bool dragged = std::exchange(dragged_, false);
        leftPress_.reset();
        if (dragged && p)
            emit released(static_cast<float>(p->x()), static_cast<float>(p->y()));
    } else if (panStart_ && (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)) {
        const QPointF offset = std::exchange(panOffset_, QPointF());
        const QPointF start = *std::exchange(panStart_, std::nullopt);
        update();
        // The content moved with the pointer, so the view moves the other
        // way; a press of these buttons that never moved is a click, as always.
        if (!offset.isNull())
            emit panned(static_cast<float>(-offset.x()), static_cast<float>(-offset.y()));
        else
            emit pressed(static_cast<float>(start.x()), static_cast<float>(start.y()));
    }
}

void PictureView::wheelEvent(QWheelEvent* event)
{
    const auto p = CellUnderPointer(event);
    if (!p)
        return;
    wheelAngle_ += event->angleDelta().y();
    for (; std::abs(wheelAngle_) >= WheelNotch; wheelAngle_ -= (wheelAngle_ > 0 ? WheelNotch : -WheelNotch))
        emit zoomed(static_cast<float>(p->x()), static_cast<float>(p->y()), wheelAngle_ > 0 ? 2.0 : 0.5);
}

// The arrows move the cursor, and a first corner's band follows it; Enter
// presses its cell. Ctrl+arrows are the window's, which pan.
void PictureView::keyPressEvent(QKeyEvent* event)
{
    const int step = event->modifiers() & Qt::ShiftModifier ? ShiftCursorStep : 1;
    QPoint move;
    switch (event->key()) {
    case Qt::Key_Left:
        move = {-step, 0};
        break;
    case Qt::Key_Right:
        move = {step, 0};
        break;
    case Qt::Key_Up:
        move = {0, -step};
        break;
    case Qt::Key_Down:
        move = {0, step};
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit pressed(static_cast<float>(cursor_.x()), static_cast<float>(cursor_.y()));
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int last = picture_.CellsPerSide() - 1;
    cursor_ = QPoint(std::clamp(cursor_.x() + move.x(), 0, last), std::clamp(cursor_.y() + move.y(), 0, last));
    cursorShown_ = true;
    update();
    emit moved(static_cast<float>(cursor_.x()), static_cast<float>(cursor_.y()));
}

// The cursor shows once the keyboard asks for it, so a picture that only
// took the focus from a button looks as it always did.
void PictureView::ShowCursor()
{
    setFocus(Qt::ShortcutFocusReason);
    cursorShown_ = true;
    update();
}

void PictureView::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void PictureView::focusOutEvent(QFocusEvent* event)
{
    cursorShown_ = false;
    update();
    QWidget::focusOutEvent(event);
}
