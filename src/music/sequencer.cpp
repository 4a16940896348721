#include "sequencer.h"

#include "midi_control.h"
#include "music_tables.h"
#include "shared_state.h"
#include "toolkit.h"

std::uint8_t ChordRoot = 0;

namespace {

void StopPlayback()
{
    toolkit::SetMusicTimerEnabled(false);
    toolkit::SetEnabled(toolkit::Button::StopMusic, false);
    // The reset inside silences whatever still sounds; no note-offs are sent.
    CloseMidi();
    toolkit::SetEnabled(toolkit::Button::Draw, true);
}

void PlayStep(int p, int length)
{
    // A run of equal bytes is one note: release only where the next byte differs.
    if (p > 0 && (p + 1 == length || Melody[p + 1] != Melody[p]))
        NoteOff(Melody[p], MelodyChannel);

    const int q = p + 1;
    PlayPosition = static_cast<std::int16_t>(q);

    if (q < length) {
        if (Melody[q] != Melody[q - 1])
            NoteOn(Melody[q], MelodyVelocity, MelodyChannel);
        if (q % 8 == 1) {
            ChordRoot = Melody[q];
            ChordOn(ChordRoot);
        } else if (q % 8 == 7) {
            ChordOff(ChordRoot);
        }
    } else if (q % 8 == 7) {
        ChordOff(ChordRoot);
    }
}

} // namespace

void MusicTimerTick()
{
    const int p = PlayPosition;
    const int length = MelodyLength;
    if (p < length)
        PlayStep(p, length);
    else
        StopPlayback();
    toolkit::SetProgress(static_cast<float>(static_cast<double>(PlayPosition) / MelodyLength * 100.0));
}

void StopMusicClicked()
{
    StopPlayback();
}

void QuitClicked()
{
    CloseMidi();
    toolkit::UnloadWindow();
}
