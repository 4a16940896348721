#pragma once

#include <QImage>
#include <QLineF>
#include <QWidget>

#include <cstdint>

// The 400 x 400 picture the program draws on, in a 0..400 user coordinate
// system, with the red rubber-band line drawn over it.
class DrawArea : public QWidget
{
    Q_OBJECT

public:
    static constexpr int Side = 400;

    explicit DrawArea(QWidget* parent = nullptr);

    void Clear();
    void SetPixel(float x, float y, std::int32_t colour);
    std::int32_t Pixel(int x, int y) const;
    const QImage& Image() const { return image_; }

    void SetLineVisible(bool visible);
    bool IsLineVisible() const { return lineVisible_; }
    void SetLineStart(float x, float y);
    void SetLineEnd(float x, float y);
    QLineF Line() const { return line_; }

    QPointF ToUser(QPointF widgetPosition) const;

signals:
    void Pressed(float x, float y);
    void Moved(float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage image_;
    QLineF line_;
    bool lineVisible_ = false;
};
