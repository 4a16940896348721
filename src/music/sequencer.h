#pragma once

#include "midi_message.h"
#include "music_settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace music {

// Playback advances one step at a time; step k sounds k steps after the
// piece starts. This is the default step; the settings may choose another.
inline constexpr int StepMilliseconds = DefaultStepMilliseconds;

// A message and the step it sounds at; step 0 is the start of the piece.
struct TimedMessage
{
    int step = 0;
    MidiMessage message;
};

// The instruments, sent before the first tick of every piece.
std::array<MidiMessage, 2> PieceStartMessages(const MusicSettings& settings = {});

// Plays a melody of note numbers one byte per tick. Byte 0 is never struck:
// it is only the predecessor of byte 1. Knows nothing of time; whoever owns
// it calls Tick on each beat and sends what it returns.
//
// Looping, the tick after the last byte's strikes byte 1 again, as if it
// followed the last byte in the melody: the last note is released (unless
// byte 1 repeats it), a chord still sounding is released, and the first
// step's note and chord are struck. A pass is length - 1 steps, with no rest
// and no step played twice; the piece never ends while it loops.
class Sequencer
{
public:
    struct Step
    {
        std::vector<MidiMessage> messages;
        // The tick after the last position: the piece is over and whatever
        // still sounds is left to the output's reset.
        bool ended = false;
    };

    // The settings choose the chords and the velocities; they should be
    // valid (IsValid). The step length plays no part here.
    void Start(std::vector<std::uint8_t> notes, const MusicSettings& settings = {});
    Step Tick();

    // Lets go whatever sounds; the piece stays where it is until Resume.
    std::vector<MidiMessage> Pause();
    // While paused, to the next step (by 1) or the one before (by -1), as
    // far as the first and last steps, or round them while looping:
    // releases what sounds and strikes the new step's note and chord.
    // Nothing happens where there is no step to go to.
    std::vector<MidiMessage> StepBy(int by);
    // Lets go what a step struck, after it has sounded its length.
    std::vector<MidiMessage> Release();
    void Resume() { paused_ = false; }
    bool Paused() const { return paused_; }

    // May change while the piece plays: a loop switched off lets the current
    // pass run to the end. Kept across Start.
    void SetLooping(bool looping) { looping_ = looping; }
    bool Looping() const { return looping_; }

    int Position() const { return position_; }
    int Length() const { return static_cast<int>(notes_.size()); }
    const std::vector<std::uint8_t>& Notes() const { return notes_; }
    // Position / length x 100, as the progress bar shows it.
    float Progress() const;

private:
    std::vector<std::uint8_t> notes_;
    int position_ = 0;
    // The byte that chose the chord struck last, so its release matches it.
    std::uint8_t chordRoot_ = 0;
    bool chordSounding_ = false;
    // The melody note struck and not yet let go, if any.
    std::optional<std::uint8_t> noteSounding_;
    bool looping_ = false;
    bool paused_ = false;
    // Set by a pause: the next tick strikes its step afresh.
    bool strikeAfresh_ = false;
    MusicSettings settings_;

    // The note and the chord step q sounds in the piece, struck.
    void StrikeStep(int q, std::vector<MidiMessage>& messages);
};

// Everything playback of these notes sends, each at its tick: the instruments
// at step 0, tick k at step k. The piece ends at step notes.size() + 1, where
// playback silences whatever still sounds. Only the times of the messages
// depend on the step length, never the messages themselves.
std::vector<TimedMessage> PieceMessages(const std::vector<std::uint8_t>& notes, const MusicSettings& settings = {});

// The step at which a piece of these notes ends.
int PieceEndStep(const std::vector<std::uint8_t>& notes);

} // namespace music
