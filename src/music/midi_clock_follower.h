#pragma once

#include "sync_timeline.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

namespace music {

// Follows a MIDI clock from its messages as they arrive: the tempo from the
// pulses' spacing, and where Start, Continue and Stop leave the transport.
// Fed on the input's own thread and read on the window's, so every call
// takes a lock.
class MidiClockFollower
{
public:
    // No pulse for this long, or for this many pulses' time, whichever is
    // longer, and the clock counts as silent.
    static constexpr std::chrono::milliseconds SilenceAfter{250};
    static constexpr int SilentPulses = 4;

    struct State
    {
        bool rolling = false;
        // The pulses since the last Start; the first after Start is pulse 0.
        long long pulse = -1;
        SteadyTime lastPulse{};
        // Beats a minute, once two pulses came within a beat's smoothing.
        std::optional<double> tempo;
        // Rolling, but the pulses stopped coming.
        bool silent = false;
        // How many Starts and Stops came, so none goes unseen between reads.
        long long starts = 0;
        long long stops = 0;
    };

    void Receive(std::uint8_t status, SteadyTime at);
    State Read(SteadyTime now) const;
    // When a pulse of the last beat came (counted as State::pulse counts), else nothing.
    std::optional<SteadyTime> TimeOfPulse(long long pulse) const;

private:
    std::optional<double> TempoLocked() const;

    mutable std::mutex mutex_;
    State state_;
    // The last beat's pulses, oldest first: a new tempo is wholly taken up within one beat.
    std::array<SteadyTime, PulsesPerQuarter + 1> pulses_{};
    int pulseCount_ = 0;
    std::optional<SteadyTime> previousPulse_;
    SteadyTime rollingSince_{};
};

} // namespace music
