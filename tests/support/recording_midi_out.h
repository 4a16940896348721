#pragma once

#include "midi_out.h"

#include <chrono>
#include <vector>

// A MIDI output that remembers every call, stamped with the time it
// arrived, and can play a machine with no device or one that refuses.
class RecordingMidiOut : public music::MidiOut
{
public:
    enum class Kind { DeviceQuery, Open, Send, Silence, Close };

    struct Call
    {
        Kind kind;
        music::MidiMessage message;  // for Send
        bool accepted;               // false when the output was not open or refused
        std::chrono::steady_clock::time_point time;
    };

    bool DeviceAvailable() override;
    bool Open() override;
    void Send(const music::MidiMessage& message) override;
    void SilenceAll() override;
    void Close() override;
    Readiness CurrentReadiness() const override { return readiness_; }
    std::string SoundSource() const override { return "recorder.sf2"; }

    const std::vector<Call>& Calls() const { return calls_; }
    // Only what the output accepted: what a listener would hear.
    std::vector<Call> AcceptedCalls() const;
    // The accepted messages alone, in order.
    std::vector<music::MidiMessage> Heard() const;
    void Clear() { calls_.clear(); }

    void SetDeviceAvailable(bool available) { deviceAvailable_ = available; }
    void SetOpenRefused(bool refused) { openRefused_ = refused; }
    void SetReadiness(Readiness readiness) { readiness_ = readiness; }
    bool IsOpen() const { return open_; }

private:
    void Record(Kind kind, bool accepted, music::MidiMessage message = {});

    std::vector<Call> calls_;
    bool deviceAvailable_ = true;
    bool openRefused_ = false;
    bool open_ = false;
    Readiness readiness_ = Readiness::Sounding;
};
