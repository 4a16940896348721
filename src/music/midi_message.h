#pragma once

#include <cstdint>

namespace music {

// One MIDI channel message of up to two data bytes. The status byte holds
// the kind in its high four bits and the 0-based channel in its low four.
struct MidiMessage
{
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;

    friend bool operator==(const MidiMessage&, const MidiMessage&) = default;

    std::uint8_t Kind() const { return status & 0xF0; }
    std::uint8_t Channel() const { return status & 0x0F; }
};

inline constexpr std::uint8_t NoteOffKind = 0x80;
inline constexpr std::uint8_t NoteOnKind = 0x90;
inline constexpr std::uint8_t ControlChangeKind = 0xB0;
inline constexpr std::uint8_t ProgramChangeKind = 0xC0;

// Channel mode controllers that stop what a channel is playing.
inline constexpr std::uint8_t AllSoundOffController = 120;
inline constexpr std::uint8_t AllNotesOffController = 123;

constexpr MidiMessage NoteOn(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel)
{
    return {static_cast<std::uint8_t>(NoteOnKind + channel), note, velocity};
}

// A note-off carries no velocity: its second data byte is always 0.
constexpr MidiMessage NoteOff(std::uint8_t note, std::uint8_t channel)
{
    return {static_cast<std::uint8_t>(NoteOffKind + channel), note, 0};
}

constexpr MidiMessage ControlChange(std::uint8_t controller, std::uint8_t value, std::uint8_t channel)
{
    return {static_cast<std::uint8_t>(ControlChangeKind + channel), controller, value};
}

constexpr MidiMessage ProgramChange(std::uint8_t program, std::uint8_t channel)
{
    return {static_cast<std::uint8_t>(ProgramChangeKind + channel), program, 0};
}

} // namespace music
