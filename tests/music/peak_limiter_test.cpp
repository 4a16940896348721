#include "peak_limiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int Rate = 44100;

// Stereo, interleaved: a 440 Hz tone at the level given for each frame.
std::vector<float> Tone(const std::vector<float>& levels)
{
    std::vector<float> stereo;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const float sample = levels[i] * static_cast<float>(std::sin(2 * std::numbers::pi * 440.0 * i / Rate));
        stereo.insert(stereo.end(), {sample, -0.5f * sample});
    }
    return stereo;
}

// A second near the ceiling, a loud burst and a lone spike, then three quiet seconds.
std::vector<float> BurstLevels()
{
    std::vector<float> levels(Rate, 0.85f);
    levels.resize(Rate + Rate / 10, 4.0f);
    levels.resize(2 * Rate, 0.3f);
    levels[Rate + Rate / 2] = 40.0f;
    levels.resize(5 * Rate, 0.85f);
    return levels;
}

TEST(PeakLimiter, ALoudSoundNeverPassesTheCeilingAndItsGainFallsSmoothlyBeforeThePeak)
{
    const std::vector<float> input = Tone(BurstLevels());
    std::vector<float> interleaved = input;
    music::PeakLimiter byFrames(Rate, 2);
    constexpr int Block = 100;  // the whole sound is a multiple of it
    for (std::size_t at = 0; at < interleaved.size(); at += 2 * std::size_t{Block})
        byFrames.ProcessInterleaved(&interleaved[at], Block);

    std::vector<float> left(input.size() / 2), right(input.size() / 2);
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] = input[2 * i];
        right[i] = input[2 * i + 1];
    }
    float* planar[] = {left.data(), right.data()};
    music::PeakLimiter inOneBlock(Rate, 2);
    inOneBlock.ProcessPlanar(planar, static_cast<int>(left.size()));

    const int latency = byFrames.LatencyFrames();
    float loudest = 0, lastGain = 1;
    std::size_t lastFrame = 0;
    for (std::size_t i = 0; i < left.size(); ++i) {
        ASSERT_TRUE(left[i] == interleaved[2 * i] && right[i] == interleaved[2 * i + 1]) << "frame " << i;
        loudest = std::max({loudest, std::abs(left[i]), std::abs(right[i])});
        const float in = i >= static_cast<std::size_t>(latency) ? input[2 * (i - latency)] : 0.0f;
        if (std::abs(in) < 0.05f)
            continue;  // the gain cannot be read off a sample near zero
        const float gain = left[i] / in;
        ASSERT_LE(gain, 1.0f + 1e-6f) << "frame " << i;
        // Reaching the spike's gain in one frame would be a click; over the look-ahead it is not.
        ASSERT_LE(std::abs(gain - lastGain), 0.005f * (i - lastFrame) + 1e-4f) << "frame " << i;
        lastGain = gain;
        lastFrame = i;
    }
    EXPECT_LE(loudest, music::DefaultLimiterCeiling);
    EXPECT_GE(loudest, 0.99f * music::DefaultLimiterCeiling) << "the loud parts are kept at the ceiling";
}

TEST(PeakLimiter, ASoundBelowTheCeilingPassesBitForBitBeforeAndLongAfterALoudBurst)
{
    const std::vector<float> input = Tone(BurstLevels());
    std::vector<float> output = input;
    music::PeakLimiter limiter(Rate, 2);
    limiter.ProcessInterleaved(output.data(), static_cast<int>(output.size() / 2));
    const std::size_t latency = 2 * limiter.LatencyFrames();
    int changed = 0;
    for (std::size_t i = 0; i < 2 * Rate - latency; ++i)
        changed += output[i + latency] != input[i];
    EXPECT_EQ(changed, 0) << "samples changed before the burst";
    for (std::size_t i = 2 * 4 * Rate; i < input.size() - latency; ++i)
        changed += output[i + latency] != input[i];
    EXPECT_EQ(changed, 0) << "samples changed two seconds after the burst";
}

} // namespace
