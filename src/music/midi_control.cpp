#include "midi_control.h"

#include "midi_platform.h"
#include "toolkit.h"

std::uint32_t MidiOutHandle = 0;

bool OpenMidi()
{
    if (midi_platform::GetNumDevs() == 0) {
        toolkit::ShowMessage(NoMidiDeviceMessage);
        return false;
    }
    if (midi_platform::Open(&MidiOutHandle, midi_platform::DefaultDevice) != midi_platform::Ok) {
        toolkit::ShowMessage(MidiDeviceUnusableMessage);
        return false;
    }
    return true;
}

void CloseMidi()
{
    midi_platform::Reset(MidiOutHandle);
    midi_platform::Close(MidiOutHandle);
}

void NoteOn(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel)
{
    midi_platform::ShortMsg(MidiOutHandle, NoteOnWord(note, velocity, channel));
}

void NoteOff(std::uint8_t note, std::uint8_t channel)
{
    midi_platform::ShortMsg(MidiOutHandle, NoteOffWord(note, channel));
}

void ProgramChange(std::uint8_t program, std::uint8_t channel)
{
    midi_platform::ShortMsg(MidiOutHandle, ProgramChangeWord(program, channel));
}
