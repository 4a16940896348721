#pragma once

#include <cstdint>

inline constexpr const char* NoMidiDeviceMessage = "使用できるMIDIデバイスがありません．";
inline constexpr const char* MidiDeviceUnusableMessage = "MIDIデバイスを使用できません．";

// Handle of the last output opened; a failed open or a close leaves it as it was.
extern std::uint32_t MidiOutHandle;

constexpr std::uint32_t NoteOnWord(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel)
{
    return note * 256u + velocity * 65536u + 0x90u + channel;
}

constexpr std::uint32_t NoteOffWord(std::uint8_t note, std::uint8_t channel)
{
    return note * 256u + 0x80u + channel;
}

constexpr std::uint32_t ProgramChangeWord(std::uint8_t program, std::uint8_t channel)
{
    return program * 256u + 0xC0u + channel;
}

// Opens the default output; on failure tells the user and returns false.
bool OpenMidi();
// Silences every sounding note, then releases the output.
void CloseMidi();
void NoteOn(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel);
void NoteOff(std::uint8_t note, std::uint8_t channel);
void ProgramChange(std::uint8_t program, std::uint8_t channel);
