#include "loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace music {
namespace {

constexpr std::size_t BlockFrames = 4096;
// Close enough to the target that no listener could tell, well inside the
// half a unit that loudness meters allow.
constexpr double LoudnessTolerance = 0.2;
// The file holds 16-bit samples rounded from what is measured here.
constexpr double TruePeakMargin = 0.05;
// A limiter that acts harder takes loudness away, and a true peak lies
// between samples: each try corrects the last by what it measured.
constexpr int MaxTries = 5;
// A sound that is all peaks (a woodblock) gains little loudness from more
// gain, only a limiter working ever harder: past this much more than the
// first measure asked for, it is left quieter than the target instead.
constexpr double MostPushIntoLimiter = 3.0;
// Should no try keep the true peak down, sample peaks this far below it
// leave room for any true peak music has.
constexpr double LastResortRoom = 3.0;

double FromDecibels(double decibels)
{
    return std::pow(10.0, decibels / 20.0);
}

double ToDecibels(double level)
{
    return 20.0 * std::log10(level);
}

struct MeterDeleter
{
    void operator()(ebur128_state* meter) const { ebur128_destroy(&meter); }
};
using Meter = std::unique_ptr<ebur128_state, MeterDeleter>;

Meter NewMeter(int channels, int sampleRate)
{
    return Meter(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate),
                              EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
}

std::optional<Loudness> Read(ebur128_state* meter, int channels)
{
    Loudness loudness;
    if (ebur128_loudness_global(meter, &loudness.integrated) != EBUR128_SUCCESS)
        return std::nullopt;
    double peak = 0;
    for (int channel = 0; channel < channels; ++channel) {
        double channelPeak = 0;
        if (ebur128_true_peak(meter, static_cast<unsigned>(channel), &channelPeak) != EBUR128_SUCCESS)
            return std::nullopt;
        peak = std::max(peak, channelPeak);
    }
    loudness.truePeak = ToDecibels(peak);
    return loudness;
}

std::optional<Loudness> MeasureLevelled(const std::vector<float>& sound, int channels, int sampleRate,
                                        const Levelling& levelling)
{
    const Meter meter = NewMeter(channels, sampleRate);
    if (!meter)
        return std::nullopt;
    const bool measured = Level(sound, channels, sampleRate, levelling, [&](const float* samples, std::size_t frames) {
        return ebur128_add_frames_float(meter.get(), samples, frames) == EBUR128_SUCCESS;
    });
    return measured ? Read(meter.get(), channels) : std::nullopt;
}

} // namespace

std::optional<Loudness> MeasureLoudness(const std::vector<float>& sound, int channels, int sampleRate)
{
    const Meter meter = NewMeter(channels, sampleRate);
    if (!meter
        || ebur128_add_frames_float(meter.get(), sound.data(), sound.size() / static_cast<std::size_t>(channels))
               != EBUR128_SUCCESS)
        return std::nullopt;
    return Read(meter.get(), channels);
}

bool Level(const std::vector<float>& sound, int channels, int sampleRate, const Levelling& levelling,
           const LevelledBlock& take)
{
    PeakLimiter limiter(sampleRate, channels, levelling.ceiling);
    const auto latency = static_cast<std::size_t>(limiter.LatencyFrames());
    const std::size_t width = static_cast<std::size_t>(channels);
    const std::size_t frames = sound.size() / width;
    const auto gain = static_cast<float>(levelling.gain);
    std::vector<float> block(BlockFrames * width);
    // The limiter gives each frame back latency frames later: silence after
    // the sound pushes its last frames out, and as many at the start are dropped.
    for (std::size_t start = 0; start < frames + latency; start += BlockFrames) {
        const std::size_t count = std::min(BlockFrames, frames + latency - start);
        for (std::size_t i = 0; i < count * width; ++i) {
            const std::size_t at = start * width + i;
            block[i] = at < sound.size() ? sound[at] * gain : 0.0f;
        }
        limiter.ProcessInterleaved(block.data(), static_cast<int>(count));
        const std::size_t early = std::min(count, latency - std::min(latency, start));
        if (early < count && !take(block.data() + early * width, count - early))
            return false;
    }
    return true;
}

Levelling NormalisingLevelling(const std::vector<float>& sound, int channels, int sampleRate)
{
    const std::optional<Loudness> unlevelled = MeasureLoudness(sound, channels, sampleRate);
    if (!unlevelled || !std::isfinite(unlevelled->integrated))
        return {};
    const double plainGain = TargetLoudness - unlevelled->integrated;
    double gainDecibels = plainGain;
    // Sample peaks a little below the true peak wanted, as true peaks lie above them.
    double ceilingDecibels = TargetTruePeak - 2 * TruePeakMargin;
    std::optional<Levelling> safe;
    for (int tries = 0; tries < MaxTries; ++tries) {
        const Levelling levelling{FromDecibels(gainDecibels), static_cast<float>(FromDecibels(ceilingDecibels))};
        const std::optional<Loudness> levelled = MeasureLevelled(sound, channels, sampleRate, levelling);
        if (!levelled)
            break;
        const double peakExcess = levelled->truePeak - (TargetTruePeak - TruePeakMargin);
        if (peakExcess <= 0) {
            safe = levelling;
            if (std::abs(levelled->integrated - TargetLoudness) <= LoudnessTolerance)
                break;
        }
        gainDecibels = std::min(gainDecibels + TargetLoudness - levelled->integrated, plainGain + MostPushIntoLimiter);
        if (peakExcess > 0)
            ceilingDecibels -= peakExcess + TruePeakMargin;
    }
    return safe.value_or(Levelling{FromDecibels(gainDecibels),
                                   static_cast<float>(FromDecibels(TargetTruePeak - LastResortRoom))});
}

} // namespace music
