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
    static constexpr std::chrono::milliseconds DefaultInterval{music::StepMilliseconds};

    explicit MusicTimer(QObject* parent = nullptr);

    // Takes effect when the timer is next enabled, so a running schedule keeps its slots.
    void SetInterval(std::chrono::milliseconds interval) { nextInterval_ = interval; }
    std::chrono::milliseconds Interval() const { return enabled_ ? interval_ : nextInterval_; }

    void SetEnabled(bool enabled);
    bool IsEnabled() const { return enabled_; }

signals:
    void Tick();

private:
    using Clock = std::chrono::steady_clock;

    void ScheduleNext();
    void Fire();

    QTimer timer_;
    Clock::time_point start_;
    long long ticksDelivered_ = 0;
    std::chrono::milliseconds interval_ = DefaultInterval;
    std::chrono::milliseconds nextInterval_ = DefaultInterval;
    bool enabled_ = false;
};
