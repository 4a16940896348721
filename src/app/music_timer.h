#pragma once

#include "midi_file.h"

#include <QObject>
#include <QTimer>

#include <chrono>

// A repeating timer, one tick a step (200 ms unless set otherwise), whose
// ticks arrive on the window's thread and keep to a schedule anchored at the
// moment it was enabled: tick k is due k intervals after that, so one late
// tick does not delay the ones after it.
class MusicTimer : public QObject
{
    Q_OBJECT

public:
    // Microseconds, so that a step of 312.5 ms (96 beats a minute in eighths) keeps its length.
    static constexpr std::chrono::microseconds DefaultInterval{std::chrono::milliseconds(music::StepMilliseconds)};

    explicit MusicTimer(QObject* parent = nullptr);

    // Takes effect when the timer is next enabled, so a running schedule keeps its slots.
    void SetInterval(std::chrono::microseconds interval) { nextInterval_ = interval; }
    std::chrono::microseconds Interval() const { return enabled_ || paused_ ? interval_ : nextInterval_; }

    void SetEnabled(bool enabled);
    bool IsEnabled() const { return enabled_; }
    // Stops the ticks and keeps what was left of the interval under way.
    void Pause();
    // Ticks again on the same interval, the first after what Pause kept, or
    // after a whole interval once the position moved meanwhile.
    void Resume(bool wholeInterval);

signals:
    void Tick();

private:
    using Clock = std::chrono::steady_clock;

    void ScheduleNext();
    void Fire();

    QTimer timer_;
    Clock::time_point start_;
    long long ticksDelivered_ = 0;
    std::chrono::microseconds interval_ = DefaultInterval;
    std::chrono::microseconds nextInterval_ = DefaultInterval;
    Clock::duration leftAtPause_{};
    bool enabled_ = false;
    bool paused_ = false;
};
