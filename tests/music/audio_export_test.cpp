#include "audio_export.h"
#include "music_tables.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <stop_token>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using music::AudioExportFault;

constexpr const char* SoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// A walk-like melody: runs, leaps, a held note and a dead-end byte. The
// bytes that choose chords (1, 9, 17) choose rows whose notes lie below C5,
// or the chord would rightly be the loudest sound in the melody's range.
std::vector<std::uint8_t> Melody()
{
    const int directions[] = {0, 1, 2, 3, 3, 5, 6, 7, 2, 0, 4, 1, 5, 9, 6, 3, 2, 4, 7, 1, 3, 0, 7, 4, 6};
    std::vector<std::uint8_t> notes;
    for (const int d : directions)
        notes.push_back(music::DirectionToNote(static_cast<std::uint8_t>(d)));
    return notes;
}

// Power of one frequency in the samples (Goertzel's recurrence).
double Power(const std::vector<float>& samples, double frequency)
{
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / music::AudioSampleRate);
    double previous = 0;
    double beforePrevious = 0;
    for (const float sample : samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
}

// The loudest of the thirteen semitones C5 to C6 in the samples.
int LoudestPitch(const std::vector<float>& samples)
{
    int loudest = 72;
    double most = -1;
    for (int note = 72; note <= 84; ++note) {
        const double power = Power(samples, 440.0 * std::pow(2.0, (note - 69) / 12.0));
        if (power > most) {
            most = power;
            loudest = note;
        }
    }
    return loudest;
}

class AudioExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(SoundFont))
            GTEST_SKIP() << "no General MIDI SoundFont at " << SoundFont << " (Debian's fluid-soundfont-gm)";
        folder_ = fs::temp_directory_path() / ("audio_export_test_" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
};

TEST_F(AudioExportTest, EachStepSoundsItsMelodyNoteInEveryFormatAndAtAnotherTempo)
{
    struct Case
    {
        const char* file;
        int format;
        int step;
    };
    const Case cases[] = {
        {"piece.wav", SF_FORMAT_WAV, 200},
        {"piece.FLAC", SF_FORMAT_FLAC, 200},
        {"piece.ogg", SF_FORMAT_OGG, 200},
        {"fast.wav", SF_FORMAT_WAV, 120},
    };
    const auto notes = Melody();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        music::MusicSettings settings;
        settings.stepMilliseconds = c.step;
        // A piano strikes at once and fades; the default pad swells slowly
        // while the notes before it still ring, so its loudest pitch lags.
        settings.melodyProgram = 0;
        std::vector<double> progress;
        const auto outcome = music::ExportPieceAudio(notes, settings, SoundFont, folder_ / c.file,
                                                     [&](double fraction) { progress.push_back(fraction); });
        ASSERT_EQ(outcome.fault, AudioExportFault::None) << outcome.detail;
        ASSERT_FALSE(progress.empty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_DOUBLE_EQ(progress.back(), 1.0);

        SF_INFO info{};
        SNDFILE* file = sf_open((folder_ / c.file).c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, c.format);
        EXPECT_EQ(info.samplerate, 44100);
        ASSERT_EQ(info.channels, 2);
        // The piece ends a step after its last byte, then rings for two seconds.
        const double seconds = (notes.size() + 1) * c.step / 1000.0 + 2.0;
        EXPECT_NEAR(static_cast<double>(info.frames), seconds * 44100, 1.0);
        std::vector<float> stereo(static_cast<std::size_t>(info.frames) * 2);
        ASSERT_EQ(sf_readf_float(file, stereo.data(), info.frames), info.frames);
        sf_close(file);

        // Byte k sounds from tick k: listen to the middle of its slot.
        const std::size_t slot = static_cast<std::size_t>(c.step) * 44100 / 1000;
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
    auto cancelHalfway = [&](double fraction) {
        if (fraction > 0.5)
            cancel.request_stop();
    };
    struct Case
    {
        fs::path target;
        AudioExportFault fault;
        std::string soundFont = SoundFont;
        int step = 200;
    };
    const Case cases[] = {
        {folder_ / "piece.mp3", AudioExportFault::UnknownFormat},
        {folder_ / "missing" / "piece.wav", AudioExportFault::CannotCreate},
        {folder_ / "piece.wav", AudioExportFault::NoSoundFont, (folder_ / "none.sf2").string()},
        {folder_ / "piece.wav", AudioExportFault::InvalidStepLength, SoundFont, 1001},
        {folder_ / "piece.wav", AudioExportFault::Cancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.string());
        music::MusicSettings settings;
        settings.stepMilliseconds = c.step;
        const auto outcome =
            music::ExportPieceAudio(Melody(), settings, c.soundFont, c.target, cancelHalfway, cancel.get_token());
        EXPECT_EQ(outcome.fault, c.fault);
        EXPECT_TRUE(fs::is_empty(folder_)) << "something was left behind";
    }
}

} // namespace
