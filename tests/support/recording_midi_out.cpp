#include "recording_midi_out.h"

void RecordingMidiOut::Record(Kind kind, bool accepted, music::MidiMessage message)
{
    calls_.push_back({kind, message, accepted, std::chrono::steady_clock::now()});
}

bool RecordingMidiOut::DeviceAvailable()
{
    Record(Kind::DeviceQuery, true);
    return deviceAvailable_;
}

bool RecordingMidiOut::Open()
{
    const bool accepted = deviceAvailable_ && !openRefused_ && !open_;
    open_ = open_ || accepted;
    Record(Kind::Open, accepted);
    return accepted;
}

void RecordingMidiOut::Send(const music::MidiMessage& message)
{
    Record(Kind::Send, open_, message);
}

void RecordingMidiOut::SilenceAll()
{
    Record(Kind::Silence, open_);
}

void RecordingMidiOut::Close()
{
    Record(Kind::Close, open_);
    open_ = false;
}

std::vector<RecordingMidiOut::Call> RecordingMidiOut::AcceptedCalls() const
{
    std::vector<Call> accepted;
    for (const Call& call : calls_) {
        if (call.accepted)
            accepted.push_back(call);
    }
    return accepted;
}

std::vector<music::MidiMessage> RecordingMidiOut::Heard() const
{
    std::vector<music::MidiMessage> heard;
    for (const Call& call : calls_) {
        if (call.accepted && call.kind == Kind::Send)
            heard.push_back(call.message);
    }
    return heard;
}
