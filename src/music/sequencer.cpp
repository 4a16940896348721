#include "sequencer.h"

#include "music_tables.h"

#include <utility>

namespace music {

std::array<MidiMessage, 2> PieceStartMessages(const MusicSettings& settings)
{
    return {ProgramChange(static_cast<std::uint8_t>(settings.melodyProgram), MelodyChannel),
            ProgramChange(static_cast<std::uint8_t>(settings.chordProgram), ChordChannel)};
}

void Sequencer::Start(std::vector<std::uint8_t> notes, const MusicSettings& settings)
{
    notes_ = std::move(notes);
    position_ = 0;
    chordSounding_ = false;
    noteSounding_.reset();
    paused_ = false;
    strikeAfresh_ = false;
    settings_ = settings;
}

Sequencer::Step Sequencer::Tick()
{
    Step step;
    const int p = position_;
    const int length = Length();
    if (p >= length) {
        step.ended = true;
        return step;
    }
    auto send = [&step](const auto& messages) {
        step.messages.insert(step.messages.end(), messages.begin(), messages.end());
    };
    const auto releaseChord = [&] {
        send(ChordOff(chordRoot_, settings_));
        chordSounding_ = false;
    };

    // The seam of a loop is an ordinary step from the last byte to byte 1.
    const bool wraps = looping_ && length > 1 && p == length - 1;
    const int q = wraps ? 1 : p + 1;
    if (std::exchange(strikeAfresh_, false)) {
        // After a pause nothing of the steps before sounds on.
        step.messages = Release();
        position_ = q;
        if (q < length)
            StrikeStep(q, step.messages);
        return step;
    }
    // A run of equal bytes is one note: release only where the next byte differs.
    if (p > 0 && (q == length || notes_[q] != notes_[p])) {
        step.messages.push_back(NoteOff(notes_[p], MelodyChannel));
        noteSounding_.reset();
    }

    position_ = q;
    if (q < length) {
        if (notes_[q] != notes_[p]) {
            step.messages.push_back(
                NoteOn(notes_[q], static_cast<std::uint8_t>(settings_.melodyVelocity), MelodyChannel));
            noteSounding_ = notes_[q];
        }
        // A pass that ends between a chord's strike and its release lets it go here.
        if (wraps && chordSounding_)
            releaseChord();
        if (q % 8 == 1) {
            chordRoot_ = notes_[q];
            send(ChordOn(chordRoot_, settings_));
            chordSounding_ = true;
        } else if (q % 8 == 7) {
            releaseChord();
        }
    } else if (q % 8 == 7) {
        releaseChord();
    }
    return step;
}

std::vector<MidiMessage> Sequencer::Release()
{
    std::vector<MidiMessage> messages;
    if (noteSounding_)
        messages.push_back(NoteOff(*std::exchange(noteSounding_, std::nullopt), MelodyChannel));
    if (std::exchange(chordSounding_, false)) {
        const auto off = ChordOff(chordRoot_, settings_);
        messages.insert(messages.end(), off.begin(), off.end());
    }
    return messages;
}

std::vector<MidiMessage> Sequencer::Pause()
{
    paused_ = true;
    strikeAfresh_ = true;
    return Release();
}

std::vector<MidiMessage> Sequencer::StepBy(int by)
{
    const int last = Length() - 1;
    if (!paused_ || last < 1)
        return {};
    int target = position_ + by;
    if (looping_)
        target = (target - 1 + 2 * last) % last + 1;
    if (target < 1 || target > last)
        return {};
    std::vector<MidiMessage> messages = Release();
    position_ = target;
    StrikeStep(target, messages);
    return messages;
}

// A chord struck at step s (s mod 8 = 1) sounds until step s + 6 lets it go.
void Sequencer::StrikeStep(int q, std::vector<MidiMessage>& messages)
{
    messages.push_back(NoteOn(notes_[q], static_cast<std::uint8_t>(settings_.melodyVelocity), MelodyChannel));
    noteSounding_ = notes_[q];
    const int sinceChord = (q - 1) % 8;
    if (sinceChord < 6) {
        chordRoot_ = notes_[q - sinceChord];
        const auto on = ChordOn(chordRoot_, settings_);
        messages.insert(messages.end(), on.begin(), on.end());
        chordSounding_ = true;
    }
}

float Sequencer::Progress() const
{
    return static_cast<float>(static_cast<double>(position_) / Length() * 100.0);
}

} // namespace music

namespace music {

std::vector<TimedMessage> PieceMessages(const std::vector<std::uint8_t>& notes, const MusicSettings& settings)
{
    std::vector<TimedMessage> timed;
    for (const MidiMessage& message : PieceStartMessages(settings))
        timed.push_back({0, message});
    Sequencer sequencer;
    sequencer.Start(notes, settings);
    for (int tick = 1;; ++tick) {
        const Sequencer::Step step = sequencer.Tick();
        for (const MidiMessage& message : step.messages)
            timed.push_back({tick, message});
        if (step.ended)
            return timed;
    }
}

int PieceEndStep(const std::vector<std::uint8_t>& notes)
{
    return static_cast<int>(notes.size()) + 1;
}

} // namespace music
