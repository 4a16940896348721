#pragma once

#include <QWidget>

// A 0..100 progress bar that keeps the exact single-precision value it was
// given, quarter steps included, and paints through the screen refresh
// throttle rather than on every change.
class ProgressBar : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressBar(QWidget* parent = nullptr);

    void SetValue(float value);
    float Value() const { return value_; }

    QSize sizeHint() const override;

signals:
    // Every value set, repeated ones included, in the order they were set.
    void ValueSet(float value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float value_ = 0.0f;
};
