#pragma once

#include "midi_out.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace music {

// The two ways to reach other MIDI programs and devices on Linux.
enum class ExternalMidiApi { AlsaSequencer, Jack };

// The name other programs see: Velmora's client, and its own output port.
inline constexpr const char* ExternalClientName = "Velmora";
inline constexpr const char* VirtualPortName = "Velmora";

// Whether a client of the API can start here: the ALSA sequencer device is
// there, or a JACK server answers. Tried quietly, before the library would
// print its own failure.
bool CanStartMidiApi(ExternalMidiApi api);

// The MIDI input ports of other programs and devices, by name; nothing when
// the API cannot be reached (no ALSA sequencer device, no JACK server, or
// one that does not answer).
std::optional<std::vector<std::string>> ListMidiInputPorts(ExternalMidiApi api);

// Sends the program's MIDI stream to another program or device, either to
// a chosen input port or through Velmora's own output port that others
// connect to. Closing after SilenceAll leaves nothing sounding there: the
// stream ends with All Notes Off and All Sound Off on both channels.
//
// If the chosen port goes away while open, or the JACK server behind it
// dies, what is sent after that is dropped without a sound or a crash, and
// TakePortLost says so once.
//
// Every call into the library runs on a worker thread of this output's own,
// in the order the calls were made: a JACK server that stops answering
// holds up that thread, never the caller. Sending, silencing and closing
// return at once; whether a port is there or opened is waited for a moment
// at most, and an output whose worker is stuck is taken to be unreachable.
class RtMidiOutput final : public ExternalMidiOut
{
public:
    // portName: a name from ListMidiInputPorts; nothing for the own port.
    RtMidiOutput(ExternalMidiApi api, std::optional<std::string> portName);
    // Waits a moment for the closing silence to go out; a worker that is
    // stuck is left behind rather than waited for.
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

    class Connection;
    struct Worker;

private:
    void Post(std::function<void(Connection&)> job);
    // The worker's answer, or nothing when it did not come within a moment.
    std::optional<bool> Ask(std::function<bool(Connection&)> question);

    std::optional<std::string> portName_;
    // Shared with the worker thread, which may outlive this output.
    std::shared_ptr<Worker> worker_;
    bool open_ = false;
};

} // namespace music
