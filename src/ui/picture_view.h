#pragma once

#include <QImage>
#include <QLineF>
#include <QWidget>

#include <optional>

class Picture;
class QMouseEvent;
class RepaintThrottle;

// The picture cell a pointer at this position in user coordinates is over,
// as whole user coordinates. Cell x covers [x, x + 1): on screen it fills the
// device pixels whose exact position (device pixel / scale) falls there.
QPointF CellUnder(QPointF userPosition);

// Where the picture is drawn in a view of this size, in device pixels: the
// largest square of whole device pixels that fits, centred across and at
// the top, so the progress bar can sit on it.
QRect PictureRect(QSize viewSize, qreal devicePixelRatio);
// The cell under a pointer at this position in points, when the picture
// fills pictureRect (in device pixels): the cell whose device pixels hold
// the pointer, as drawn, at any size and density; none outside the picture.
std::optional<QPointF> CellUnder(QRect pictureRect, qreal devicePixelRatio, QPointF position);

// The picture as an image, pixel for pixel.
QImage PictureImage(const Picture& picture);
// The picture as a PNG file that keeps the place it shows, so that opening
// it brings the view back.
QByteArray PictureFile(const Picture& picture, const QByteArray& placeJson);

// Shows the session's picture in a 0..400 user coordinate system, scaled to
// fill the view as a square (crisp at whole multiples, smooth between),
// with the rubber band drawn over it, and reports pointer presses and moves
// as the cell under the pointer in the same coordinates.
class PictureView : public QWidget
{
    Q_OBJECT

public:
    PictureView(const Picture& picture, RepaintThrottle& throttle, QWidget* parent);

    // The picture as it is, without anything drawn over it.
    QImage Image() const;

    void PictureChanged();
    void SetRubberBand(bool visible, QLineF line);
    bool IsRubberBandVisible() const { return rubberBandVisible_; }
    QLineF RubberBandLine() const { return rubberBand_; }
    // Rings the cell that is sounding; none hides the ring.
    void SetPlayhead(std::optional<QPoint> cell);
    std::optional<QPoint> Playhead() const { return playhead_; }

    // The picture's square in the view, in points.
    QRectF PictureArea() const;

signals:
    void pressed(float x, float y);
    void moved(float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    std::optional<QPointF> CellUnderPointer(const QMouseEvent* event) const;
    QRect PictureDeviceRect() const;

    const Picture& picture_;
    RepaintThrottle& throttle_;
    QLineF rubberBand_;
    bool rubberBandVisible_ = false;
    std::optional<QPoint> playhead_;
};
