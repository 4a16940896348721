#pragma once

#include "peak_limiter.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace music {

// Where shared music sits (EBU R128 for streaming and podcasts): loud
// enough beside other pieces, with room left for the lossy encoders.
inline constexpr double TargetLoudness = -16.0;  // LUFS, integrated
inline constexpr double TargetTruePeak = -1.0;   // dBTP

// As EBU R128 measures a sound; the integrated loudness of silence is -infinity.
struct Loudness
{
    double integrated = 0;  // LUFS
    double truePeak = 0;    // dBTP, the loudest channel's
};
// Of interleaved samples; nothing when libebur128 cannot measure them.
std::optional<Loudness> MeasureLoudness(const std::vector<float>& sound, int channels, int sampleRate);

// What becomes of a whole sound on its way to a file: scaled by the gain,
// then kept below the ceiling by a peak limiter.
struct Levelling
{
    double gain = 1.0;
    float ceiling = DefaultLimiterCeiling;
};

// Hands the levelled sound to take in blocks, frame for frame where it was:
// the limiter's delay is taken out. Stops when take returns false.
using LevelledBlock = std::function<bool(const float* samples, std::size_t frames)>;
bool Level(const std::vector<float>& sound, int channels, int sampleRate, const Levelling& levelling,
           const LevelledBlock& take);

// The levelling that brings a sound to TargetLoudness with its true peak at
// or below TargetTruePeak, as measured on the levelled sound itself. A
// silent sound keeps its level.
Levelling NormalisingLevelling(const std::vector<float>& sound, int channels, int sampleRate);

} // namespace music
