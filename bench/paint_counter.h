#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

// Counts the paints a widget receives, to tell how often a long command
// put its progress on the screen.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    long long Count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count_;
        return false;
    }

private:
    long long count_ = 0;
};
