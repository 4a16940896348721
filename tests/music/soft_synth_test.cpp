#include "fluid_synth_output.h"
#include "soft_synth.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

namespace {

using music::MidiMessage;
using music::SoftSynth;

constexpr const char* MissingSoundFont = "/nonexistent/none.sf2";

// The left channel of the next frames the synthesizer renders offline.
std::vector<float> Render(SoftSynth& synth, int frames)
{
    std::vector<float> left(frames);
    std::vector<float> right(frames);
    synth.Render(left.data(), right.data(), frames);
    return left;
}

double Rms(const std::vector<float>& samples)
{
    double sum = 0.0;
    for (const float s : samples)
        sum += double(s) * s;
    return std::sqrt(sum / samples.size());
}

// The strongest frequency from 200 to 2000 Hz in 1 Hz steps, by correlating
// with a sine and a cosine at each.
double StrongestFrequency(const std::vector<float>& samples, int rate)
{
    double best = 0.0;
    double bestPower = -1.0;
    for (double f = 200.0; f <= 2000.0; f += 1.0) {
        double re = 0.0;
        double im = 0.0;
        const double w = 2.0 * std::numbers::pi * f / rate;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            re += samples[i] * std::cos(w * i);
            im += samples[i] * std::sin(w * i);
        }
        if (re * re + im * im > bestPower) {
            bestPower = re * re + im * im;
            best = f;
        }
    }
    return best;
}

class SoftSynthTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(synth.IsLoaded()) << "the General MIDI SoundFont should be installed at "
                                      << music::DefaultSoundFontPath;
    }

    // What is left of a 0.3 s C5 on a channel from half a second to a second
    // after its release; then every voice is stopped.
    double Ring(std::uint8_t channel)
    {
        synth.Send(music::NoteOn(72, 127, channel));
        Render(synth, 13230);
        synth.Send(music::NoteOff(72, channel));
        Render(synth, 22050);
        const double rms = Rms(Render(synth, 22050));
        synth.SilenceAll();
        return rms;
    }

    // What is left of a short piano note on channel 2 from half a second to
    // a second after its release: mostly reverb.
    double Echo()
    {
        synth.Send(music::NoteOn(72, 127, 2));
        Render(synth, 2205);
        synth.Send(music::NoteOff(72, 2));
        Render(synth, 22050);
        return Rms(Render(synth, 22050));
    }

    SoftSynth synth{music::DefaultSoundFontPath};
};

TEST_F(SoftSynthTest, SilenceAllStopsEveryVoiceAndTheEffectsUntilTheyAreRestored)
{
    const double echoWithEffects = Echo();

    synth.Send(music::ProgramChange(88, 0));
    synth.Send(music::NoteOn(72, 127, 0));
    Render(synth, 4410);  // past the attack
    const std::vector<float> sounding = Render(synth, 8820);
    EXPECT_GT(Rms(sounding), 0.005) << "a struck note is heard";
    EXPECT_NEAR(StrongestFrequency(sounding, synth.SampleRate()), 523.25, 8.0) << "C5 sounds at about 523 Hz";

    synth.SilenceAll();
    Render(synth, 441);
    EXPECT_LT(Rms(Render(synth, 4410)), 1e-4) << "every voice stops, reverb and chorus with it";
    EXPECT_LT(Echo(), echoWithEffects / 2) << "the effects stay off until restored";

    synth.RestoreEffects();
    EXPECT_LT(Rms(Render(synth, 4410)), 1e-4) << "no old echo once the effects are back";
    EXPECT_NEAR(Echo(), echoWithEffects, echoWithEffects / 2) << "the effects are back";
    synth.Send(music::NoteOn(72, 127, 0));
    Render(synth, 4410);
    EXPECT_GT(Rms(Render(synth, 4410)), 0.005) << "and the next piece sounds again";
}

TEST_F(SoftSynthTest, PlaysOnlyNotesAndProgramChangesAndANoteOffEndsTheNote)
{
    synth.Send(MidiMessage{0xB0, 0x07, 0x40});  // a controller change
    synth.Send(MidiMessage{0xF8, 0, 0});        // a clock tick
    EXPECT_LT(Rms(Render(synth, 4410)), 1e-6) << "nothing sounds";

    synth.Send(music::NoteOn(60, 100, 1));
    Render(synth, 2205);
    EXPECT_GT(Rms(Render(synth, 4410)), 0.001) << "a chord note sounds";
    synth.Send(music::NoteOff(60, 1));
    Render(synth, 44100);  // the release tail
    EXPECT_LT(Rms(Render(synth, 4410)), 1e-3) << "a note-off ends the note";

    const double piano = Ring(3);
    synth.Send(music::ProgramChange(88, 4));
    const double pad = Ring(4);
    EXPECT_GT(pad, 10 * piano) << "program 88, a pad, rings on long after the piano of program 0 has died away";
}

TEST(SoftSynth, WithoutItsSoundFontIsUnloadedAndHarmless)
{
    SoftSynth synth(MissingSoundFont);
    EXPECT_FALSE(synth.IsLoaded());
    synth.Send(music::NoteOn(72, 127, 0));
    synth.SilenceAll();
    synth.RestoreEffects();
}

TEST(FluidSynthOutput, ASoundFontThatNeverArrivesBlocksNeitherOpeningNorShutdown)
{
    const auto path = std::filesystem::temp_directory_path() / "velmora-stuck.sf2";
    std::filesystem::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    {
        music::FluidSynthOutput output(path.string());
        EXPECT_EQ(music::OpenOutput(output), music::OpenOutcome::Pending)
            << "a piece may start while the SoundFont is read";
        EXPECT_EQ(output.CurrentReadiness(), music::MidiOut::Readiness::Preparing);
        output.Send(music::NoteOn(72, 127, 0));
        music::CloseOutput(output);
    }  // must return though the loading thread is still stuck
    // Lets the abandoned loader see the end of the file and finish.
    const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    EXPECT_GE(writer, 0) << "the loader was still waiting for the SoundFont";
    close(writer);
    std::filesystem::remove(path);
}

TEST(FluidSynthOutput, WithoutItsSoundFontHasNoDeviceAndDoesNotOpen)
{
    music::FluidSynthOutput output(MissingSoundFont);
    EXPECT_FALSE(output.DeviceAvailable());
    EXPECT_FALSE(output.Open());
    output.Send(music::NoteOn(72, 127, 0));
    output.SilenceAll();
    output.Close();
}

} // namespace
