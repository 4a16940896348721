#include "frame_steps.h"
#include "music_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// At every note value and at tempi from the slowest to the fastest, with
// steps of whole and of fractional milliseconds, frame k shows the step
// that sounds at k / 30 s: the last tick s with s steps <= k / 30 s, found
// here by counting ticks in exact integer time. The path is drawn up to it,
// ringed while the piece plays; after the tick that ends the piece, drawn
// whole with no ring.
TEST(FrameSteps, EachFrameShowsTheStepSoundingAtItsTimeAtAnyTempo)
{
    const int length = 41;
    for (const music::StepNoteShape& note : music::StepNotes) {
        const music::TempoRange range = music::TempoRangeFor(note.note);
        for (const double tempo : {range.minimum, 75.0, 96.0, 133.0, range.maximum}) {
            if (music::CheckTiming(tempo, note.note) != music::SettingsFault::None)
                continue;
            const std::int64_t step = music::StepMicroseconds(tempo, note.note);
            const std::string where = std::string(note.id) + " at " + std::to_string(tempo);
            std::int64_t tick = 0;
            // Up to a second past the end.
            for (std::int64_t k = 0; k * 1'000'000 < (length + 1) * step * 30 + 30'000'000; ++k) {
                // Frame k lies at k * 1e6 / 30 microseconds: tick s is due at s * step.
                while ((tick + 1) * step * 30 <= k * 1'000'000)
                    ++tick;
                const video::FrameContent shown = video::FrameShows(k, step, length);
                if (tick > length) {
                    EXPECT_EQ(shown, (video::FrameContent{length - 1, std::nullopt})) << where << ", frame " << k;
                } else {
                    const int expected = static_cast<int>(std::min<std::int64_t>(tick, length - 1));
                    ASSERT_EQ(shown, (video::FrameContent{expected, expected})) << where << ", frame " << k;
                }
            }
        }
    }
}

TEST(FrameSteps, FramesCoverTheSoundToItsLastSample)
{
    EXPECT_EQ(video::FrameCount(44100 * 82 + 17640, 44100), 2472) << "82.4 s, as a default piece with its tail";
    EXPECT_EQ(video::FrameCount(44100 * 82 + 17641, 44100), 2473) << "one sample more needs one frame more";
    EXPECT_EQ(video::FrameCount(1, 44100), 1);
}

} // namespace
