// The levels of sound files, for bench/loudness_report.sh:
//
//   sound_level_report FILE...
//       per file: clipped samples per channel, sample peak, integrated
//       loudness (EBU R128) and true peak, measured by libebur128
//   sound_level_report --compare UNLIMITED LIMITED
//       how often and how deeply the limiter acted: the gain of each frame
//       of LIMITED against the same frame of UNLIMITED, the same piece
//   sound_level_report --loudest-programs SOUNDFONT
//       the General MIDI programs whose melody note and whose chord are
//       loudest at velocity 127
#include "soft_synth.h"

#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Sound
{
    int channels = 0;
    int rate = 0;
    std::vector<float> samples;  // interleaved
};

bool Read(const char* path, Sound& sound)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (!file) {
        std::fprintf(stderr, "%s: %s\n", path, sf_strerror(nullptr));
        return false;
    }
    sound.channels = info.channels;
    sound.rate = info.samplerate;
    sound.samples.resize(static_cast<std::size_t>(info.frames) * info.channels);
    sf_readf_float(file, sound.samples.data(), info.frames);
    sf_close(file);
    return true;
}

double Decibels(double level)
{
    return level > 0 ? 20 * std::log10(level) : -HUGE_VAL;
}

// 16-bit full scale either way; a float file counts what reaches 1.
constexpr float Clipped = 32767.0f / 32768.0f;

int Report(const char* path)
{
    Sound sound;
    if (!Read(path, sound))
        return 1;
    std::vector<long> clipped(sound.channels);
    float peak = 0;
    for (std::size_t i = 0; i < sound.samples.size(); ++i) {
        const float level = std::abs(sound.samples[i]);
        clipped[i % sound.channels] += level >= Clipped;
        peak = std::max(peak, level);
    }
    ebur128_state* meter = ebur128_init(sound.channels, sound.rate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_float(meter, sound.samples.data(), sound.samples.size() / sound.channels);
    double loudness = 0, truePeak = 0;
    ebur128_loudness_global(meter, &loudness);
    for (int c = 0; c < sound.channels; ++c) {
        double channelPeak = 0;
        ebur128_true_peak(meter, c, &channelPeak);
        truePeak = std::max(truePeak, channelPeak);
    }
    ebur128_destroy(&meter);
    std::printf("%s: %.1f s, clipped samples", path, sound.samples.size() / double(sound.channels * sound.rate));
    for (const long count : clipped)
        std::printf(" %ld", count);
    std::printf(", sample peak %.2f dBFS, integrated %.1f LUFS, true peak %.2f dBTP\n", Decibels(peak), loudness,
                Decibels(truePeak));
    return 0;
}

// Frames quieter than this, or clipped, tell nothing of the gain.
constexpr float Readable = 0.05f;
// A gain change smaller than this is rounding, not the limiter.
constexpr double ActingDecibels = 0.1;

int Compare(const char* unlimitedPath, const char* limitedPath)
{
    Sound unlimited, limited;
    if (!Read(unlimitedPath, unlimited) || !Read(limitedPath, limited) || unlimited.channels != limited.channels)
        return 1;
    const std::size_t frames = std::min(unlimited.samples.size(), limited.samples.size()) / unlimited.channels;
    std::vector<double> reductions;  // decibels, one per readable frame
    long sounding = 0, episodes = 0;
    std::size_t lastActing = 0;
    const std::size_t episodeGap = unlimited.rate / 20;  // 50 ms without action ends an episode
    for (std::size_t frame = 0; frame < frames; ++frame) {
        float in = 0, out = 0;
        for (int c = 0; c < unlimited.channels; ++c) {
            const std::size_t i = frame * unlimited.channels + c;
            if (std::abs(unlimited.samples[i]) > std::abs(in)) {
                in = unlimited.samples[i];
                out = limited.samples[i];
            }
        }
        if (std::abs(in) < Readable || std::abs(in) >= Clipped)
            continue;
        ++sounding;
        const double reduction = -Decibels(std::abs(out / in));
        if (reduction < ActingDecibels)
            continue;
        if (reductions.empty() || frame - lastActing > episodeGap)
            ++episodes;
        lastActing = frame;
        reductions.push_back(reduction);
    }
    // Pumping shows as the level moving against the unlimited sound's: the
    // difference of the two, in 400 ms windows (EBU R128's momentary
    // window), stays put where the limiter only lowers the level.
    const std::size_t window = unlimited.rate * 4 / 10;
    std::vector<double> differences;
    for (std::size_t start = 0; start + window <= frames; start += window / 4) {
        double before = 0, after = 0;
        for (std::size_t i = start * unlimited.channels; i < (start + window) * unlimited.channels; ++i) {
            before += double(unlimited.samples[i]) * unlimited.samples[i];
            after += double(limited.samples[i]) * limited.samples[i];
        }
        if (before > window * unlimited.channels * 1e-4)  // louder than -40 dBFS RMS
            differences.push_back(10 * std::log10(after / before));
    }
    double mean = 0, spread = 0, swing = 0;
    for (const double d : differences)
        mean += d / differences.size();
    for (std::size_t i = 0; i < differences.size(); ++i) {
        spread += (differences[i] - mean) * (differences[i] - mean) / differences.size();
        if (i > 0)
            swing = std::max(swing, std::abs(differences[i] - differences[i - 1]));
    }
    std::sort(reductions.begin(), reductions.end());
    auto share = [&](double atLeast) {
        const auto count = reductions.end() - std::lower_bound(reductions.begin(), reductions.end(), atLeast);
        return sounding ? 100.0 * count / sounding : 0.0;
    };
    std::printf("limiter acting on %.1f %% of the sounding frames (%.1f %% by 1 dB or more, %.1f %% by 3 dB or more) "
                "in %ld episodes; median reduction while acting %.2f dB, deepest %.2f dB\n",
                share(ActingDecibels), share(1.0), share(3.0), episodes,
                reductions.empty() ? 0.0 : reductions[reductions.size() / 2],
                reductions.empty() ? 0.0 : reductions.back());
    std::printf("400 ms envelope, limited against unlimited: %.2f dB on average, standard deviation %.2f dB, "
                "largest change from one window to the next (100 ms later) %.2f dB\n",
                mean, std::sqrt(spread), swing);
    return 0;
}

float RenderedPeak(music::SoftSynth& synth, const std::vector<int>& keys)
{
    constexpr int Frames = music::SynthSampleRate;
    std::vector<float> left(Frames), right(Frames);
    for (const int key : keys)
        synth.Send(music::NoteOn(static_cast<std::uint8_t>(key), 127, 0));
    synth.Render(left.data(), right.data(), Frames);
    float peak = 0;
    for (int i = 0; i < Frames; ++i)
        peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    synth.SilenceAll();
    synth.RestoreEffects();
    return peak;
}

int LoudestPrograms(const char* soundFont)
{
    music::SoftSynth synth(soundFont);
    if (!synth.IsLoaded())
        return 1;
    std::pair<float, int> melody{0, 0}, chord{0, 0};
    for (int program = 0; program < 128; ++program) {
        synth.Send(music::ProgramChange(static_cast<std::uint8_t>(program), 0));
        melody = std::max(melody, {RenderedPeak(synth, {72}), program});
        chord = std::max(chord, {RenderedPeak(synth, {60, 64, 67}), program});
    }
    std::printf("melody %d %.2f dBFS, chord %d %.2f dBFS\n", melody.second, Decibels(melody.first), chord.second,
                Decibels(chord.first));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--compare" && argc == 4)
        return Compare(argv[2], argv[3]);
    if (mode == "--loudest-programs" && argc == 3)
        return LoudestPrograms(argv[2]);
    if (argc < 2 || mode.starts_with("--")) {
        std::fprintf(stderr, "usage: %s FILE... | --compare UNLIMITED LIMITED | --loudest-programs SOUNDFONT\n",
                     argv[0]);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i)
        status |= Report(argv[i]);
    return status;
}
