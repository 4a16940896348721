#pragma once

#include <cstdint>

// The platform's MIDI output: five operations with the contract of a system
// MIDI API. Results are 0 for success, anything else for a refusal. Every
// operation on a handle that is not open is refused and has no effect.
// Two implementations exist: a software synthesizer for the program and a
// recording one for the tests; the executable links one of them.
namespace midi_platform {

using Handle = std::uint32_t;
using Result = std::uint32_t;

inline constexpr std::uint32_t DefaultDevice = 0xFFFFFFFF;
inline constexpr Result Ok = 0;
inline constexpr Result Refused = 1;

std::uint32_t GetNumDevs();
Result Open(Handle* handle, std::uint32_t device);
Result ShortMsg(Handle handle, std::uint32_t word);
Result Reset(Handle handle);
Result Close(Handle handle);

// Starts any slow preparation (loading instruments) so a later Open is quick.
void Prepare();

} // namespace midi_platform
