#include "midi_clock_follower.h"

#include <algorithm>
#include <vector>

namespace music {

namespace {

// A gap this many times the usual spacing is the clock coming back, not a tempo.
constexpr double GapFactor = 4;

} // namespace

void MidiClockFollower::Receive(std::uint8_t status, SteadyTime at)
{
    const std::lock_guard lock(mutex_);
    switch (status) {
    case ClockPulseStatus: {
        // A gap of several pulses is the clock coming back, not a tempo: the fit starts afresh.
        const std::optional<double> tempo = TempoLocked();
        const double usual = tempo ? 60.0 / (*tempo * PulsesPerQuarter) : 1.0;
        if (previousPulse_ && std::chrono::duration<double>(at - *previousPulse_).count() >= usual * GapFactor)
            pulseCount_ = 0;
        if (pulseCount_ == int(pulses_.size()))
            std::rotate(pulses_.begin(), pulses_.begin() + 1, pulses_.end());
        else
            ++pulseCount_;
        pulses_[std::size_t(pulseCount_ - 1)] = at;
        previousPulse_ = at;
        state_.lastPulse = at;
        if (state_.rolling)
            ++state_.pulse;
        break;
    }
    case ClockStartStatus:
        state_.rolling = true;
        state_.pulse = -1;
        ++state_.starts;
        rollingSince_ = at;
        break;
    case ClockContinueStatus:
        state_.rolling = true;
        rollingSince_ = at;
        break;
    case ClockStopStatus:
        state_.rolling = false;
        ++state_.stops;
        break;
    default:
        break;
    }
}

MidiClockFollower::State MidiClockFollower::Read(SteadyTime now) const
{
    const std::lock_guard lock(mutex_);
    State state = state_;
    state.tempo = TempoLocked();
    const auto spacing = state.tempo ? std::chrono::duration<double>(60.0 / (*state.tempo * PulsesPerQuarter))
                                     : std::chrono::duration<double>(0);
    const auto patience = std::max<std::chrono::duration<double>>(SilenceAfter, spacing * SilentPulses);
    // Counted from the Start too: a clock may begin its pulses only then.
    const SteadyTime heard = previousPulse_ ? std::max(*previousPulse_, rollingSince_) : rollingSince_;
    state.silent = state.rolling && now - heard > patience;
    return state;
}

std::optional<SteadyTime> MidiClockFollower::TimeOfPulse(long long pulse) const
{
    const std::lock_guard lock(mutex_);
    const long long back = state_.pulse - pulse;
    if (back < 0 || back >= pulseCount_)
        return std::nullopt;
    return pulses_[std::size_t(pulseCount_ - 1 - back)];
}

std::optional<double> MidiClockFollower::TempoLocked() const
{
    if (pulseCount_ < 2)
        return std::nullopt;
    // The median of the slopes between every two pulses (Theil and Sen):
    // seconds a pulse, which a few pulses held up on their way barely move.
    std::vector<double> slopes;
    slopes.reserve(std::size_t(pulseCount_ * (pulseCount_ - 1) / 2));
    for (int i = 0; i < pulseCount_; ++i)
        for (int j = i + 1; j < pulseCount_; ++j)
            slopes.push_back(std::chrono::duration<double>(pulses_[std::size_t(j)] - pulses_[std::size_t(i)]).count()
                             / (j - i));
    const auto middle = slopes.begin() + std::ptrdiff_t(slopes.size() / 2);
    std::nth_element(slopes.begin(), middle, slopes.end());
    if (*middle <= 0)
        return std::nullopt;
    return 60.0 / (*middle * PulsesPerQuarter);
}

} // namespace music
