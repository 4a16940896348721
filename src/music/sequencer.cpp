#include "sequencer.h"

#include "music_tables.h"

namespace music {

std::array<MidiMessage, 2> PieceStartMessages()
{
    return {ProgramChange(MelodyProgram, MelodyChannel), ProgramChange(ChordProgram, ChordChannel)};
}

void Sequencer::Start(std::vector<std::uint8_t> notes)
{
    notes_ = std::move(notes);
    position_ = 0;
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

    // A run of equal bytes is one note: release only where the next byte differs.
    if (p > 0 && (p + 1 == length || notes_[p + 1] != notes_[p]))
        step.messages.push_back(NoteOff(notes_[p], MelodyChannel));

    const int q = p + 1;
    position_ = q;
    if (q < length) {
        if (notes_[q] != notes_[q - 1])
            step.messages.push_back(NoteOn(notes_[q], MelodyVelocity, MelodyChannel));
        if (q % 8 == 1) {
            chordRoot_ = notes_[q];
            send(ChordOn(chordRoot_));
        } else if (q % 8 == 7) {
            send(ChordOff(chordRoot_));
        }
    } else if (q % 8 == 7) {
        send(ChordOff(chordRoot_));
    }
    return step;
}

float Sequencer::Progress() const
{
    return static_cast<float>(static_cast<double>(position_) / Length() * 100.0);
}

} // namespace music

namespace music {

std::vector<TimedMessage> PieceMessages(const std::vector<std::uint8_t>& notes)
{
    std::vector<TimedMessage> timed;
    for (const MidiMessage& message : PieceStartMessages())
        timed.push_back({0, message});
    Sequencer sequencer;
    sequencer.Start(notes);
    for (int tick = 1;; ++tick) {
        const Sequencer::Step step = sequencer.Tick();
        for (const MidiMessage& message : step.messages)
            timed.push_back({tick, message});
        if (step.ended)
            return timed;
    }
}

} // namespace music
