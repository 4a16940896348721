#include "midi_control.h"
#include "soft_synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

struct Rendered
{
    std::vector<float> left;
    int rate;
};

Rendered Render(SoftSynth& synth, int frames)
{
    Rendered out{std::vector<float>(frames), synth.SampleRate()};
    std::vector<float> right(frames);
    synth.Render(out.left.data(), right.data(), frames);
    return out;
}

double Rms(const std::vector<float>& samples)
{
    double sum = 0.0;
    for (const float s : samples)
        sum += double(s) * s;
    return std::sqrt(sum / samples.size());
}

// The strongest frequency between 200 and 2000 Hz, found by correlating
// with sine and cosine at 1 Hz steps around the candidates.
double StrongestFrequency(const Rendered& r)
{
    double best = 0.0;
    double bestPower = -1.0;
    for (double f = 200.0; f <= 2000.0; f += 1.0) {
        double re = 0.0;
        double im = 0.0;
        const double w = 2.0 * std::numbers::pi * f / r.rate;
        for (std::size_t i = 0; i < r.left.size(); ++i) {
            re += r.left[i] * std::cos(w * i);
            im += r.left[i] * std::sin(w * i);
        }
        const double power = re * re + im * im;
        if (power > bestPower) {
            bestPower = power;
            best = f;
        }
    }
    return best;
}

} // namespace

TEST(SoftSynthesizer, PlaysTheMelodyNoteAtItsPitchAndFallsSilentOnReset)
{
    SoftSynth synth(DefaultSoundFontPath);
    ASSERT_TRUE(synth.IsLoaded()) << "the General MIDI SoundFont should be installed at " << DefaultSoundFontPath;

    synth.Send(ProgramChangeWord(88, 0));
    synth.Send(NoteOnWord(72, 127, 0));
    Render(synth, 4410);  // let the attack settle
    const Rendered sounding = Render(synth, 8820);
    EXPECT_GT(Rms(sounding.left), 0.005) << "a struck note must be heard";
    EXPECT_NEAR(StrongestFrequency(sounding), 523.25, 8.0) << "C5 sounds at about 523 Hz";

    synth.SilenceAll();
    Render(synth, 441);
    const Rendered after = Render(synth, 4410);
    EXPECT_LT(Rms(after.left), 1e-4) << "the reset silences every voice";

    synth.RestoreEffects();
    EXPECT_LT(Rms(Render(synth, 4410).left), 1e-4) << "no old echo once the effects are back";
    synth.Send(NoteOnWord(72, 127, 0));
    Render(synth, 4410);
    EXPECT_GT(Rms(Render(synth, 4410).left), 0.005) << "and the next piece sounds again";
}

TEST(SoftSynthesizer, IgnoresWordsThatAreNotNotesOrProgramChanges)
{
    SoftSynth synth(DefaultSoundFontPath);
    ASSERT_TRUE(synth.IsLoaded());
    synth.Send(0x00403CB0);  // a controller change
    synth.Send(0x000000F8);  // a clock tick
    EXPECT_LT(Rms(Render(synth, 4410).left), 1e-6) << "nothing may sound";

    synth.Send(NoteOnWord(60, 100, 1));
    Render(synth, 2205);
    EXPECT_GT(Rms(Render(synth, 4410).left), 0.001);
    synth.Send(NoteOffWord(60, 1));
    Render(synth, 44100);  // release tail
    EXPECT_LT(Rms(Render(synth, 4410).left), 1e-3) << "a note-off ends the note";
}

TEST(SoftSynthesizer, AMissingSoundFontLeavesTheSynthUnloaded)
{
    SoftSynth synth("/nonexistent/none.sf2");
    EXPECT_FALSE(synth.IsLoaded());
    synth.Send(NoteOnWord(72, 127, 0));  // harmless
}
