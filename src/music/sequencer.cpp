#include "sequencer.h"

#include "music_tables.h"

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
    // A run of equal bytes is one note: release only where the next byte differs.
    if (p > 0 && (q == length || notes_[q] != notes_[p]))
        step.messages.push_back(NoteOff(notes_[p], MelodyChannel));

    position_ = q;
    if (q < length) {
        if (notes_[q] != notes_[p])
            step.messages.push_back(
                NoteOn(notes_[q], static_cast<std::uint8_t>(settings_.melodyVelocity), MelodyChannel));
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
