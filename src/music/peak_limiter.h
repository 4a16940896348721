#pragma once

#include <cstddef>
#include <vector>

namespace music {

// -1 dBFS: a little room for what a lossy encoder or a resampler adds.
inline constexpr float DefaultLimiterCeiling = 0.89125094f;

// Keeps a sound within a ceiling below full scale, so it never clips. It
// looks a few milliseconds ahead: the gain falls smoothly and reaches what a
// peak needs by the time the peak comes out, then rises back slowly. Where
// no peak comes near the ceiling the gain is exactly one and the samples
// come out bit for bit as they went in, only later by LatencyFrames().
// The channels are limited together, so the stereo image stays put.
class PeakLimiter
{
public:
    PeakLimiter(int sampleRate, int channels, float ceiling = DefaultLimiterCeiling);

    int LatencyFrames() const { return lookAhead_ - 1; }

    // Left and right samples in turn, limited in place.
    void ProcessInterleaved(float* samples, int frames);
    // One buffer per channel, limited in place.
    void ProcessPlanar(float* const* channels, int frames);

private:
    // The frame's gain, as it leaves the delay line, from the frame entering it.
    float NextGain(float enteringPeak);
    template <typename SampleAt>
    void Process(int frames, SampleAt sampleAt);

    int channels_;
    float ceiling_;
    int lookAhead_;
    double releaseStep_;

    // The delayed sound, lookAhead_ frames of channels_ samples.
    std::vector<float> delay_;
    std::size_t position_ = 0;
    long long frame_ = 0;

    // The least gain any frame in the look-ahead needs: a queue of rising
    // gains, so each frame is added and dropped once.
    struct Need
    {
        long long frame;
        float gain;
    };
    std::vector<Need> needs_;
    std::size_t needsFront_ = 0;
    std::size_t needsCount_ = 0;

    // The held and released gain over the look-ahead, averaged to ramp down.
    std::vector<float> held_;
    double heldSum_;
    int heldBelowOne_ = 0;
    double released_ = 1.0;
};

} // namespace music
