#pragma once

#include "rtmidi_output.h"
#include "sync_timeline.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace music {

// Velmora's own input port, which a clock source connects to.
inline constexpr const char* ClockInPortName = "Velmora Clock In";

// The MIDI output ports of other programs and devices, where a clock can
// come from; nothing when the API cannot be reached.
std::optional<std::vector<std::string>> ListMidiOutputPorts(ExternalMidiApi api);

// Hears a MIDI clock: Velmora's own input port, or another program's
// output, through the ALSA sequencer (RtMidi) or JACK. Every system
// real-time byte that arrives (pulse, Start, Continue, Stop) is handed on
// with the moment it was sent for, on the library's own thread.
// Opening waits a moment at most for a server that does not answer, and
// closing never waits on one: both run on a thread of their own.
class MidiClockInput
{
public:
    using Sink = std::function<void(std::uint8_t status, SteadyTime at)>;

    // Nothing when the API or the port cannot be reached. portName: a name
    // from ListMidiOutputPorts; nothing for the own port.
    static std::unique_ptr<MidiClockInput> Open(ExternalMidiApi api, std::optional<std::string> portName, Sink sink);
    ~MidiClockInput();
    MidiClockInput(const MidiClockInput&) = delete;
    MidiClockInput& operator=(const MidiClockInput&) = delete;

    // The port heard, for the user.
    const std::string& Name() const { return name_; }

    struct Connection;

private:
    MidiClockInput() = default;

    std::string name_;
    std::shared_ptr<Connection> connection_;
};

} // namespace music
