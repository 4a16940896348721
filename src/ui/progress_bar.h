#pragma once

#include <QWidget>

class RepaintThrottle;

// A 0..100 progress bar that keeps the exact single-precision value it was
// given, quarter steps included, says what it follows ("Drawing 40%"), and
// paints through the screen refresh throttle rather than on every change.
class ProgressBar : public QWidget
{
    Q_OBJECT

public:
    ProgressBar(RepaintThrottle& throttle, QWidget* parent);

    void SetValue(float value);
    float Value() const { return value_; }
    // What the bar follows, with %p where the percentage goes; empty shows no text.
    void SetCaption(const QString& caption);
    QString Text() const;

signals:
    // Every value set, repeated ones included, in the order they were set.
    void ValueSet(float value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RepaintThrottle& throttle_;
    float value_ = 0.0f;
    QString caption_;
};
