#include "midi_platform.h"
#include "recording_midi.h"

namespace {

struct RecordingState
{
    std::vector<recording_midi::Call> calls;
    std::uint32_t deviceCount = 1;
    bool openRefused = false;
    bool open = false;
    midi_platform::Handle openHandle = 0;
    midi_platform::Handle lastHandle = 0;
};

RecordingState& State()
{
    static RecordingState state;
    return state;
}

bool Record(recording_midi::Kind kind, midi_platform::Handle handle, std::uint32_t word, bool accepted)
{
    State().calls.push_back({kind, handle, word, accepted, std::chrono::steady_clock::now()});
    return accepted;
}

bool IsOpenHandle(midi_platform::Handle handle)
{
    return State().open && handle == State().openHandle;
}

} // namespace

namespace midi_platform {

std::uint32_t GetNumDevs()
{
    Record(recording_midi::Kind::GetNumDevs, 0, 0, true);
    return State().deviceCount;
}

Result Open(Handle* handle, std::uint32_t device)
{
    auto& state = State();
    const bool accepted = state.deviceCount > 0 && !state.openRefused && !state.open
        && (device == DefaultDevice || device < state.deviceCount);
    if (accepted) {
        state.open = true;
        state.openHandle = ++state.lastHandle;
        *handle = state.openHandle;
    }
    Record(recording_midi::Kind::Open, accepted ? state.openHandle : 0, device, accepted);
    return accepted ? Ok : Refused;
}

Result ShortMsg(Handle handle, std::uint32_t word)
{
    return Record(recording_midi::Kind::ShortMsg, handle, word, IsOpenHandle(handle)) ? Ok : Refused;
}

Result Reset(Handle handle)
{
    return Record(recording_midi::Kind::Reset, handle, 0, IsOpenHandle(handle)) ? Ok : Refused;
}

Result Close(Handle handle)
{
    const bool accepted = IsOpenHandle(handle);
    if (accepted)
        State().open = false;
    return Record(recording_midi::Kind::Close, handle, 0, accepted) ? Ok : Refused;
}

void Prepare()
{
}

} // namespace midi_platform

namespace recording_midi {

const std::vector<Call>& Calls()
{
    return State().calls;
}

std::vector<Call> AcceptedCalls()
{
    std::vector<Call> accepted;
    for (const auto& call : State().calls) {
        if (call.accepted)
            accepted.push_back(call);
    }
    return accepted;
}

void Clear()
{
    State().calls.clear();
}

void SetDeviceCount(std::uint32_t count)
{
    State().deviceCount = count;
}

void SetOpenRefused(bool refused)
{
    State().openRefused = refused;
}

bool IsOpen()
{
    return State().open;
}

void Reset()
{
    auto& state = State();
    state.calls.clear();
    state.deviceCount = 1;
    state.openRefused = false;
    state.open = false;
}

} // namespace recording_midi
