#include "peak_limiter.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace music {
namespace {

// Long enough for the gain to fall without a click, short enough to add no
// delay anyone hears between a note's message and its sound.
constexpr double LookAheadSeconds = 0.005;
// How fast the gain recovers after a peak (to 63 %): slow enough not to
// pump on the next beat, quick enough that a quiet note after a loud chord
// keeps its level.
constexpr double ReleaseSeconds = 0.15;
// A gain this close to one is one, so the samples pass untouched again
// instead of creeping towards one for ever.
constexpr double UnityDistance = 1e-6;

} // namespace

PeakLimiter::PeakLimiter(int sampleRate, int channels, float ceiling)
    : channels_(std::max(channels, 1))
    , ceiling_(ceiling)
    , lookAhead_(std::max(2, static_cast<int>(std::lround(sampleRate * LookAheadSeconds))))
    , releaseStep_(1.0 - std::exp(-1.0 / (ReleaseSeconds * std::max(sampleRate, 1))))
    , delay_(static_cast<std::size_t>(lookAhead_) * channels_, 0.0f)
    , needs_(static_cast<std::size_t>(lookAhead_))
    , held_(static_cast<std::size_t>(lookAhead_), 1.0f)
    , heldSum_(lookAhead_)
{
}

float PeakLimiter::NextGain(float enteringPeak)
{
    const float need = enteringPeak > ceiling_ ? ceiling_ / enteringPeak : 1.0f;
    const std::size_t size = needs_.size();
    while (needsCount_ > 0 && needs_[needsFront_].frame <= frame_ - lookAhead_) {
        needsFront_ = (needsFront_ + 1) % size;
        --needsCount_;
    }
    while (needsCount_ > 0 && needs_[(needsFront_ + needsCount_ - 1) % size].gain >= need)
        --needsCount_;
    needs_[(needsFront_ + needsCount_) % size] = {frame_, need};
    ++needsCount_;
    ++frame_;

    // Falls at once to what the coming frames need, rises back slowly.
    released_ = std::min<double>(needs_[needsFront_].gain, released_ + (1.0 - released_) * releaseStep_);
    if (1.0 - released_ < UnityDistance)
        released_ = 1.0;

    // Averaged over the look-ahead, the gain ramps down in time: every frame
    // in the average has already fallen to what the leaving frame needs.
    const float leaving = std::exchange(held_[position_], static_cast<float>(released_));
    heldBelowOne_ += (held_[position_] < 1.0f) - (leaving < 1.0f);
    heldSum_ += held_[position_] - leaving;
    if (heldBelowOne_ == 0) {
        // Exactly one, and the sum starts afresh from its rounding errors.
        heldSum_ = lookAhead_;
        return 1.0f;
    }
    return static_cast<float>(heldSum_ / lookAhead_);
}

template <typename SampleAt>
void PeakLimiter::Process(int frames, SampleAt sampleAt)
{
    for (int i = 0; i < frames; ++i) {
        float peak = 0.0f;
        for (int c = 0; c < channels_; ++c)
            peak = std::max(peak, std::abs(sampleAt(i, c)));
        const float gain = NextGain(peak);
        const std::size_t leaving = (position_ + 1) % static_cast<std::size_t>(lookAhead_);
        float* entering = &delay_[position_ * channels_];
        const float* delayed = &delay_[leaving * channels_];
        for (int c = 0; c < channels_; ++c) {
            entering[c] = sampleAt(i, c);
            // The clamp only catches the average's rounding: the gain already fits.
            sampleAt(i, c) = std::clamp(delayed[c] * gain, -ceiling_, ceiling_);
        }
        position_ = leaving;
    }
}

void PeakLimiter::ProcessInterleaved(float* samples, int frames)
{
    Process(frames, [&](int frame, int channel) -> float& { return samples[frame * channels_ + channel]; });
}

void PeakLimiter::ProcessPlanar(float* const* channels, int frames)
{
    Process(frames, [&](int frame, int channel) -> float& { return channels[channel][frame]; });
}

} // namespace music
