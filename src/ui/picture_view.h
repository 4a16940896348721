#pragma once

#include <QImage>
#include <QLineF>
#include <QWidget>

#include "view.h"

#include <optional>
#include <vector>

class Picture;
class QMouseEvent;
class QPainter;
class QSinglePointEvent;
class RepaintThrottle;

// The picture cell a pointer at this position in user coordinates is over,
// as whole user coordinates. Cell x covers [x, x + 1): on screen it fills the
// device pixels whose exact position (device pixel / scale) falls there.
QPointF CellUnder(QPointF userPosition);

// Where the picture is drawn in a view of this size, in device pixels: the
// largest square of whole device pixels that fits, centred across and at
// the top, so the progress bar can sit on it.
QRect PictureRect(QSize viewSize, qreal devicePixelRatio);
// The cell under a pointer at this position in points, when a picture of
// cellsPerSide cells a side fills pictureRect (in device pixels): the cell
// whose device pixels hold the pointer, as drawn, at any size and density;
// none outside the picture.
std::optional<QPointF> CellUnder(QRect pictureRect, qreal devicePixelRatio, QPointF position,
                                 int cellsPerSide = fractal::PictureSide);

// The picture as an image, pixel for pixel.
QImage PictureImage(const Picture& picture);
// The picture as a PNG file that keeps the place it shows, so that opening
// it brings the view back.
QByteArray PictureFile(const Picture& picture, const QByteArray& placeJson);

// Shows the session's picture in a 0..side user coordinate system (side its
// cells a side, 400 to 1,200), scaled to
// fill the view as a square (crisp at whole multiples, smooth between),
// with the rubber band drawn over it, and reports pointer presses and moves
// as the cell under the pointer in the same coordinates. Its gestures come
// out as the same cells: a left drag's release, a wheel notch, and a drag
// with the right or middle button, which moves the picture with the pointer
// until it is let go. With the focus it shows a cell cursor that the arrows
// move (Shift for 10 cells) and Enter presses.
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
    // Rings the cell that is sounding; none hides the ring. The ring grows
    // with the picture on screen and keeps a dark edge, so it shows on any colour.
    void SetPlayhead(std::optional<QPoint> cell);
    std::optional<QPoint> Playhead() const { return playhead_; }
    // The walk of the piece on stage and its step now: the cells up to it
    // are drawn in the path's red, those still to come dimmed. Without a
    // step the picture shows its path as it is.
    void SetPathProgress(std::vector<QPoint> path, std::optional<int> step);
    // The orbit of a point in picture cells, drawn over the picture: its
    // segments as pairs of ends, and its points; empty hides it.
    void SetOrbit(std::vector<QLineF> segments, std::vector<QPointF> points);

    // The picture's square in the view, in points.
    QRectF PictureArea() const;
    QPoint Cursor() const { return cursor_; }
    // Takes the keyboard focus and shows the cell cursor.
    void ShowCursor();

signals:
    void pressed(float x, float y);
    void moved(float x, float y);
    // The left button let go over another cell than its press's.
    void released(float x, float y);
    // factor 2 for a notch away from the user, 0.5 towards.
    void zoomed(float x, float y, double factor);
    // The view is to move by (dx, dy) cells.
    void panned(float dx, float dy);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::optional<QPointF> CellUnderPointer(const QSinglePointEvent* event) const;
    // Each in cells, with the painter scaled to cells; pixels are the picture's side on screen.
    void PaintPathProgress(QPainter& painter) const;
    void PaintPlayhead(QPainter& painter, int pixels) const;
    void PaintOrbit(QPainter& painter, int pixels) const;
    QRect PictureDeviceRect() const;

    const Picture& picture_;
    RepaintThrottle& throttle_;
    QLineF rubberBand_;
    bool rubberBandVisible_ = false;
    std::optional<QPoint> playhead_;
    std::vector<QPoint> path_;
    std::optional<int> pathStep_;
    std::vector<QLineF> orbitSegments_;
    std::vector<QPointF> orbitPoints_;
    QPoint cursor_{200, 200};
    bool cursorShown_ = false;
    // Where a left press was, in points, while its button is down, and
    // whether the pointer has since gone further than a drag needs.
    std::optional<QPointF> leftPress_;
    bool dragged_ = false;
    // Where a right or middle drag began, and how far the picture follows it, in cells.
    QPointF panPress_;
    std::optional<QPointF> panStart_;
    QPointF panOffset_;
    // Wheel steps smaller than a notch, as fine-grained wheels send.
    int wheelAngle_ = 0;
};
