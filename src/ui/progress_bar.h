#pragma once

#include <QWidget>

class RepaintThrottle;

// A 0..100 progress bar that keeps the exact single-precision value it was
// given, quarter steps included, and paints through the screen refresh
// throttle rather than on every change.
class ProgressBar : public QWidget
{
    Q_OBJECT

public:
    ProgressBar(RepaintThrottle& throttle, QWidget* parent);

    void SetValue(float value);
    float Value() const { return value_; }

signals:
    // Every value set, repeated ones included, in the order they were set.
    void ValueSet(float value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RepaintThrottle& throttle_;
    float value_ = 0.0f;
};
