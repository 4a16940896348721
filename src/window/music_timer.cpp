#include "music_timer.h"

MusicTimer::MusicTimer(QObject* parent)
    : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &MusicTimer::Fire);
}

void MusicTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!enabled) {
        timer_.stop();
        return;
    }
    start_ = Clock::now();
    ticksDelivered_ = 0;
    ScheduleNext();
}

void MusicTimer::ScheduleNext()
{
    using namespace std::chrono;
    const auto due = start_ + Interval * (ticksDelivered_ + 1);
    const auto remaining = ceil<milliseconds>(due - Clock::now());
    timer_.start(std::max(remaining, milliseconds(0)));
}

void MusicTimer::Fire()
{
    if (!enabled_)
        return;
    // A timer may wake a little early; wait out the rest instead of ticking ahead of time.
    const auto due = start_ + Interval * (ticksDelivered_ + 1);
    if (Clock::now() < due - std::chrono::microseconds(500)) {
        ScheduleNext();
        return;
    }
    ++ticksDelivered_;
    emit Tick();
    if (enabled_ && !timer_.isActive())
        ScheduleNext();
}
