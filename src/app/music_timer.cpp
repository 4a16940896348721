#include "music_timer.h"

#include <algorithm>
#include <thread>

MusicTimer::MusicTimer(QObject* parent)
    : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &MusicTimer::Fire);
}

void MusicTimer::SetEnabled(bool enabled)
{
    paused_ = false;
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!enabled) {
        timer_.stop();
        return;
    }
    interval_ = nextInterval_;
    start_ = Clock::now();
    ticksDelivered_ = 0;
    ScheduleNext();
}

void MusicTimer::Pause()
{
    if (!enabled_)
        return;
    const auto due = start_ + interval_ * (ticksDelivered_ + 1);
    leftAtPause_ = std::clamp<Clock::duration>(due - Clock::now(), Clock::duration::zero(), interval_);
    enabled_ = false;
    paused_ = true;
    timer_.stop();
}

// The schedule is anchored again so that its next slot is what was left.
void MusicTimer::Resume(bool wholeInterval)
{
    if (enabled_ || !paused_)
        return;
    enabled_ = true;
    paused_ = false;
    const Clock::duration left = wholeInterval ? Clock::duration(interval_) : leftAtPause_;
    start_ = Clock::now() + left - interval_;
    ticksDelivered_ = 0;
    ScheduleNext();
}

void MusicTimer::ScheduleNext()
{
    using namespace std::chrono;
    const auto due = start_ + interval_ * (ticksDelivered_ + 1);
    const auto remaining = floor<milliseconds>(due - Clock::now());
    timer_.start(std::max(remaining, milliseconds(0)));
}

void MusicTimer::Fire()
{
    if (!enabled_)
        return;
    // The timer counts whole milliseconds and is set to wake up to one early;
    // the last fraction is waited out here so the tick lands on its slot.
    const auto due = start_ + interval_ * (ticksDelivered_ + 1);
    if (Clock::now() < due - std::chrono::milliseconds(1)) {
        ScheduleNext();
        return;
    }
    std::this_thread::sleep_until(due);
    ++ticksDelivered_;
    emit Tick();
    if (enabled_ && !timer_.isActive())
        ScheduleNext();
}
