#include "midi_clock_follower.h"

#include <algorithm>
#include <numeric>

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
        if (previousPulse_) {
            const double interval = std::chrono::duration<double>(at - *previousPulse_).count();
            const std::optional<double> tempo = TempoLocked();
            const double usual = tempo ? 60.0 / (*tempo * PulsesPerQuarter) : 1.0;
            if (interval > 0 && interval < usual * GapFactor) {
                intervals_[std::size_t(nextInterval_)] = interval;
                nextInterval_ = (nextInterval_ + 1) % PulsesPerQuarter;
                intervalCount_ = std::min(intervalCount_ + 1, PulsesPerQuarter);
            } else if (interval >= usual * GapFactor) {
                intervalCount_ = 0;
                nextInterval_ = 0;
            }
        }
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

std::optional<double> MidiClockFollower::TempoLocked() const
{
    if (intervalCount_ == 0)
        return std::nullopt;
    const double sum = std::accumulate(intervals_.begin(), intervals_.begin() + intervalCount_, 0.0);
    return 60.0 / (sum / intervalCount_ * PulsesPerQuarter);
}

} // namespace music
