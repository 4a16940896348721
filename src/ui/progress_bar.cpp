#include "progress_bar.h"

#include "repaint_throttle.h"

#include <QLocale>
#include <QStyleOptionProgressBar>
#include <QStylePainter>

#include <algorithm>
#include <cmath>

namespace {

// The style draws integer steps; hundredths of a percent keep 0.25 visible.
constexpr int Steps = 10000;

} // namespace

ProgressBar::ProgressBar(RepaintThrottle& throttle, QWidget* parent)
    : QWidget(parent)
    , throttle_(throttle)
{
}

void ProgressBar::SetValue(float value)
{
    value_ = value;
    emit ValueSet(value);
    throttle_.Changed(this);
}

void ProgressBar::SetCaption(const QString& caption)
{
    caption_ = caption;
    throttle_.Changed(this);
}

// Whole percent down, so the text never claims more than is done.
QString ProgressBar::Text() const
{
    const int percent = static_cast<int>(std::clamp(value_, 0.0f, 100.0f));
    return QString(caption_).replace(QStringLiteral("%p"), QLocale().toString(percent));
}

void ProgressBar::paintEvent(QPaintEvent*)
{
    throttle_.Painted(this);
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.minimum = 0;
    option.maximum = Steps;
    option.progress = static_cast<int>(std::lround(std::clamp(value_, 0.0f, 100.0f) * (Steps / 100)));
    option.text = Text();
    option.textVisible = !caption_.isEmpty();
    option.textAlignment = Qt::AlignCenter;
    option.state |= QStyle::State_Horizontal;
    painter.drawControl(QStyle::CE_ProgressBar, option);
}
