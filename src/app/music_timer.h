#pragma once

#include "midi_file.h"

#include <QObject>
#include <QTimer>

#include <chrono>

// A repeating 200 ms timer whose ticks arrive on the window's thread and
// keep to a schedule anchored at the moment it was enabled: tick k is due
// k intervals after that, so one late tick does not delay the ones after it.
class MusicTimer : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds Interval{music::StepMilliseconds};

    explicit MusicTimer(QObject* parent = nullptr);

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
    bool enabled_ = false;
};
