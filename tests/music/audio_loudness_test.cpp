#include "audio_export.h"
#include "music_tables.h"

#include <ebur128.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* SoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

struct Measured
{
    double integrated = 0, truePeak = 0, samplePeak = 0;  // LUFS, dBTP, dBFS
};

// The file as any player reads it, measured by libebur128 on its own.
Measured Measure(const fs::path& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> samples(static_cast<std::size_t>(info.frames) * info.channels);
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    ebur128_state* meter = ebur128_init(info.channels, info.samplerate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_float(meter, samples.data(), info.frames);
    double integrated = 0, truePeak = 0, samplePeak = 0;
    ebur128_loudness_global(meter, &integrated);
    for (int c = 0; c < info.channels; ++c) {
        double peak = 0;
        ebur128_true_peak(meter, c, &peak);
        truePeak = std::max(truePeak, peak);
    }
    for (const float sample : samples)
        samplePeak = std::max<double>(samplePeak, std::abs(sample));
    ebur128_destroy(&meter);
    return {integrated, 20 * std::log10(truePeak), 20 * std::log10(samplePeak)};
}

TEST(AudioLoudness, AnExportIsNormalisedToMinus16LufsUnderMinus1DbtpAndWithoutNormalisingNeverClips)
{
    if (!fs::exists(SoundFont))
        GTEST_SKIP() << "no General MIDI SoundFont at " << SoundFont;
    const fs::path folder = fs::temp_directory_path() / ("audio_loudness_test_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::vector<std::uint8_t> notes;
    for (const std::uint8_t d : {0, 1, 2, 3, 3, 5, 6, 7, 2, 0, 4, 1, 5, 9, 6, 3, 2, 4, 7, 1, 3, 0, 7, 4, 6, 2, 5, 1})
        notes.push_back(music::DirectionToNote(d));
    music::MusicSettings quietHarp, loudestPair;
    quietHarp.melodyProgram = quietHarp.chordProgram = 46;
    quietHarp.melodyVelocity = quietHarp.chordVelocity = 10;
    loudestPair.melodyProgram = loudestPair.chordProgram = 81;  // sawtooth lead, the loudest in FluidR3_GM
    loudestPair.melodyVelocity = loudestPair.chordVelocity = 127;
    const struct {
        const char* name;
        music::MusicSettings settings;
        music::AudioLevel level;
    } cases[] = {
        {"far too loud, the default voice", {}, music::AudioLevel::Normalised},
        {"far too quiet, brought up into the limiter", quietHarp, music::AudioLevel::Normalised},
        {"as played, the loudest pair", loudestPair, music::AudioLevel::AsPlayed},
    };
    for (const auto& [name, settings, level] : cases) {
        SCOPED_TRACE(name);
        ASSERT_EQ(music::ExportPieceAudio(notes, settings, SoundFont, folder / "piece.wav", {}, {}, level).fault,
                  music::AudioExportFault::None);
        const Measured measured = Measure(folder / "piece.wav");
        if (level == music::AudioLevel::Normalised) {
            EXPECT_NEAR(measured.integrated, -16.0, 0.5);
            EXPECT_LE(measured.truePeak, -1.0);
        } else {
            EXPECT_LE(measured.samplePeak, -0.99) << "the limiter's ceiling is -1 dBFS";
        }
    }
    fs::remove_all(folder);
}

} // namespace
