#pragma once

#include "midi_out.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class RtMidiOut;

namespace music {

// The two ways to reach other MIDI programs and devices on Linux.
enum class ExternalMidiApi { AlsaSequencer, Jack };

// The name other programs see: Velmora's client, and its own output port.
inline constexpr const char* ExternalClientName = "Velmora";
inline constexpr const char* VirtualPortName = "Velmora";

// The MIDI input ports of other programs and devices, by name; nothing when
// the API cannot be reached (no ALSA sequencer device, no JACK server).
std::optional<std::vector<std::string>> ListMidiInputPorts(ExternalMidiApi api);

// Sends the program's MIDI stream to another program or device, either to
// a chosen input port or through Velmora's own output port that others
// connect to. Closing after SilenceAll leaves nothing sounding there: the
// stream ends with All Notes Off and All Sound Off on both channels.
//
// If the chosen port goes away while open, what is sent after that is
// dropped without a sound or a crash, and TakePortLost says so once.
class RtMidiOutput final : public ExternalMidiOut
{
public:
    // portName: a name from ListMidiInputPorts; nothing for the own port.
    RtMidiOutput(ExternalMidiApi api, std::optional<std::string> portName);
    ~RtMidiOutput() override;
    RtMidiOutput(const RtMidiOutput&) = delete;
    RtMidiOutput& operator=(const RtMidiOutput&) = delete;

    // The API is reachable and, for a chosen port, the port is there.
    bool DeviceAvailable() override;
    bool Open() override;
    void Send(const MidiMessage& message) override;
    void SilenceAll() override;
    void Close() override;
    // The chosen port, or the own port's name.
    std::string SoundSource() const override;

    bool TakePortLost() override;

private:
    class ServerCycles;

    bool Connected();
    std::optional<unsigned> FindPort();
    bool PortStillThere();
    void LosePort();
    void Write(const MidiMessage& message);

    ExternalMidiApi api_;
    std::optional<std::string> portName_;
    std::unique_ptr<RtMidiOut> midi_;
    std::unique_ptr<ServerCycles> cycles_;  // JACK only, while open
    bool open_ = false;
    bool lost_ = false;
    std::atomic<bool> failed_{false};  // set by the library's error callback
    std::atomic<bool> lossToReport_{false};
    std::chrono::steady_clock::time_point lastCheck_;
};

} // namespace music
