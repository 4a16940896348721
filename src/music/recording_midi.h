#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

// The recording MIDI platform: remembers every call, stamped with the time
// it arrived, and can play a machine with no device or one that refuses.
namespace recording_midi {

enum class Kind { GetNumDevs, Open, ShortMsg, Reset, Close };

struct Call
{
    Kind kind;
    std::uint32_t handle;
    std::uint32_t word;    // the message, for ShortMsg
    bool accepted;         // false when the platform refused it
    std::chrono::steady_clock::time_point time;
};

const std::vector<Call>& Calls();
// Only the calls the platform accepted: what a listener would hear.
std::vector<Call> AcceptedCalls();
void Clear();

void SetDeviceCount(std::uint32_t count);
void SetOpenRefused(bool refused);
bool IsOpen();
// Forgets every call and restores one device that opens; closes anything open.
void Reset();

} // namespace recording_midi
