#include "audio_export.h"
#include "music_tables.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using music::AudioExportFault;

constexpr const char* SoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// Walk-like: runs, leaps, a held note, a dead end. Bytes 1, 9 and 17 pick chords
// below C5, which would otherwise rightly be the loudest in the melody's range.
std::vector<std::uint8_t> Melody()
{
    std::vector<std::uint8_t> notes;
    for (const std::uint8_t d : {0, 1, 2, 3, 3, 5, 6, 7, 2, 0, 4, 1, 5, 9, 6, 3, 2, 4, 7, 1, 3, 0, 7, 4, 6})
        notes.push_back(music::DirectionToNote(d));
    return notes;
}

// The loudest of the thirteen semitones C5 to C6 in the samples, each
// measured by Goertzel's recurrence at its frequency.
int LoudestPitch(const std::vector<float>& samples)
{
    std::pair<double, int> loudest{-1, 0};
    for (int note = 72; note <= 84; ++note) {
        const double frequency = 440.0 * std::pow(2.0, (note - 69) / 12.0);
        const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / music::AudioSampleRate);
        double previous = 0, beforePrevious = 0;
        for (const float sample : samples)
            beforePrevious = std::exchange(previous, sample + coefficient * previous - beforePrevious);
        loudest = std::max(loudest, {previous * previous + beforePrevious * beforePrevious -
                                         coefficient * previous * beforePrevious, note});
    }
    return loudest.second;
}

class AudioExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(SoundFont))
            GTEST_SKIP() << "no General MIDI SoundFont at " << SoundFont << " (Debian's fluid-soundfont-gm)";
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    const fs::path folder_ = fs::temp_directory_path() / ("audio_export_test_" + std::to_string(::getpid()));
};

TEST_F(AudioExportTest, EachStepSoundsItsMelodyNoteInEveryFormatAndAtAnotherTempo)
{
    const std::tuple<const char*, int, int> cases[] = {
        {"piece.wav", SF_FORMAT_WAV, 200},
        {"piece.FLAC", SF_FORMAT_FLAC, 200},
        {"piece.ogg", SF_FORMAT_OGG, 200},
        {"fast.wav", SF_FORMAT_WAV, 120},
    };
    const auto notes = Melody();
    for (const auto& [name, format, step] : cases) {
        SCOPED_TRACE(name);
        // A piano strikes at once and fades; the default pad swells slowly
        // while the notes before it still ring, so its loudest pitch lags.
        const music::MusicSettings settings{.tempo = music::TempoForStep(step, music::StepNote::Sixteenth),
                                            .melodyProgram = 0};
        std::vector<double> progress{0};
        const auto outcome = music::ExportPieceAudio(notes, settings, SoundFont, folder_ / name,
                                                     [&](double fraction) { progress.push_back(fraction); });
        ASSERT_EQ(outcome.fault, AudioExportFault::None) << outcome.detail;
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()) && progress.back() == 1.0);

        SF_INFO info{};
        SNDFILE* file = sf_open((folder_ / name).c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, format);
        ASSERT_TRUE(info.samplerate == 44100 && info.channels == 2);
        // The piece ends a step after its last byte, then rings for two seconds.
        const double seconds = (notes.size() + 1) * step / 1000.0 + 2.0;
        EXPECT_NEAR(static_cast<double>(info.frames), seconds * 44100, 1.0);
        std::vector<float> stereo(static_cast<std::size_t>(info.frames) * 2);
        ASSERT_EQ(sf_readf_float(file, stereo.data(), info.frames), info.frames);
        sf_close(file);

        // Byte k sounds from tick k: listen to the middle of its slot.
        const std::size_t slot = static_cast<std::size_t>(step) * 44100 / 1000;
        for (std::size_t k = 1; k < notes.size(); ++k) {
            std::vector<float> window;
            for (std::size_t frame = k * slot + slot / 4; frame < (k + 1) * slot - slot / 8; ++frame)
                window.push_back(stereo[2 * frame] + stereo[2 * frame + 1]);
            EXPECT_EQ(LoudestPitch(window), notes[k]) << "step " << k;
        }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator{}), 4) << "no temporary file left";
}

TEST_F(AudioExportTest, AFailureOrACancelReturnsItsReasonAndLeavesNothingBehind)
{
    std::stop_source cancel;
    auto cancelHalfway = [&](double fraction) { fraction > 0.5 && cancel.request_stop(); };
    const std::tuple<fs::path, AudioExportFault, std::string, int> cases[] = {
        {folder_ / "piece.mp3", AudioExportFault::UnknownFormat, SoundFont, 200},
        {folder_ / "missing" / "piece.wav", AudioExportFault::CannotCreate, SoundFont, 200},
        {folder_ / "piece.wav", AudioExportFault::NoSoundFont, folder_ / "none.sf2", 200},
        {folder_ / "piece.wav", AudioExportFault::InvalidStepLength, SoundFont, 1001},
        {folder_ / "piece.wav", AudioExportFault::Cancelled, SoundFont, 200},
    };
    for (const auto& [target, fault, soundFont, step] : cases) {
        const auto outcome = music::ExportPieceAudio(Melody(), {.tempo = music::TempoForStep(step, music::StepNote::Sixteenth)},
                                                     soundFont, target, cancelHalfway, cancel.get_token());
        EXPECT_EQ(outcome.fault, fault) << target;
        EXPECT_TRUE(fs::is_empty(folder_)) << "something was left behind";
    }
}

} // namespace
