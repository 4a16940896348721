#include "rtmidi_output.h"

#include "music_tables.h"

#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <thread>

namespace music {

namespace {

// Looking for the chosen port costs a round trip to the sequencer or the
// server, so it is done at most this often while sending.
constexpr std::chrono::milliseconds PortCheckInterval{100};

// The channels a piece plays on, silenced at the end.
constexpr std::array<std::uint8_t, 2> PieceChannels{MelodyChannel, ChordChannel};

constexpr std::uint8_t ChannelPressureKind = 0xD0;

// The library hands what is sent to the JACK server in its next process
// cycle, and what crosses in the cycle its port is removed is lost: the
// closing silence, above all. A few whole cycles let it through; the
// patience bounds the wait on a stalled server.
constexpr int CyclesToSettle = 3;
constexpr std::chrono::milliseconds SettlePatience{1000};

RtMidi::Api ToRtMidi(ExternalMidiApi api)
{
    return api == ExternalMidiApi::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

// With a callback set the library reports errors here instead of throwing
// or printing them.
void RecordFailure(RtMidiError::Type type, const std::string&, void* failed)
{
    if (type != RtMidiError::DEBUG_WARNING)
        static_cast<std::atomic<bool>*>(failed)->store(true);
}

// A client of the API; nothing when the API cannot start.
std::unique_ptr<RtMidiOut> MakeClient(ExternalMidiApi api, std::atomic<bool>& failed)
{
    try {
        auto client = std::make_unique<RtMidiOut>(ToRtMidi(api), ExternalClientName);
        // A library built without the API falls back to another one.
        if (client->getCurrentApi() != ToRtMidi(api))
            return nullptr;
        client->setErrorCallback(RecordFailure, &failed);
        return client;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

std::vector<std::string> PortNames(RtMidiOut& client)
{
    std::vector<std::string> names;
    const unsigned count = client.getPortCount();
    for (unsigned i = 0; i < count; ++i)
        names.push_back(client.getPortName(i));
    return names;
}

// ALSA ends a port's name with its client and port numbers, which change
// whenever the other program restarts; a remembered name still finds it.
std::string WithoutAlsaNumbers(const std::string& name)
{
    const auto digits = [](std::string_view text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
    };
    const std::size_t space = name.rfind(' ');
    if (space == std::string::npos)
        return name;
    const std::string_view numbers = std::string_view(name).substr(space + 1);
    const std::size_t colon = numbers.find(':');
    if (colon == std::string_view::npos || !digits(numbers.substr(0, colon)) || !digits(numbers.substr(colon + 1)))
        return name;
    return name.substr(0, space);
}

std::optional<unsigned> FindIn(const std::vector<std::string>& names, const std::string& wanted)
{
    for (unsigned i = 0; i < names.size(); ++i)
        if (names[i] == wanted)
            return i;
    for (unsigned i = 0; i < names.size(); ++i)
        if (WithoutAlsaNumbers(names[i]) == WithoutAlsaNumbers(wanted))
            return i;
    return std::nullopt;
}

int ByteCount(const MidiMessage& message)
{
    const std::uint8_t kind = message.Kind();
    return kind == ProgramChangeKind || kind == ChannelPressureKind ? 2 : 3;
}

} // namespace

// Counts the JACK server's process cycles, through a client of its own with
// no ports: the library's client offers no way to see them.
class RtMidiOutput::ServerCycles
{
public:
    static std::unique_ptr<ServerCycles> Start()
    {
        auto cycles = std::unique_ptr<ServerCycles>(new ServerCycles);
        cycles->client_ = jack_client_open("Velmora timing", JackNoStartServer, nullptr);
        if (!cycles->client_)
            return nullptr;
        jack_set_process_callback(cycles->client_, [](jack_nframes_t, void* self) {
            static_cast<ServerCycles*>(self)->count_.fetch_add(1, std::memory_order_release);
            return 0;
        }, cycles.get());
        if (jack_activate(cycles->client_) != 0)
            return nullptr;
        return cycles;
    }
    ~ServerCycles()
    {
        if (client_)
            jack_client_close(client_);
    }

    // Returns once `count` more cycles have begun, or after the patience.
    void Await(int count, std::chrono::milliseconds patience) const
    {
        const std::uint64_t until = count_.load(std::memory_order_acquire) + static_cast<std::uint64_t>(count);
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (count_.load(std::memory_order_acquire) < until && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

private:
    ServerCycles() = default;

    jack_client_t* client_ = nullptr;
    std::atomic<std::uint64_t> count_{0};
};

std::optional<std::vector<std::string>> ListMidiInputPorts(ExternalMidiApi api)
{
    std::atomic<bool> failed{false};
    const std::unique_ptr<RtMidiOut> client = MakeClient(api, failed);
    if (!client)
        return std::nullopt;
    std::vector<std::string> names = PortNames(*client);
    if (failed)
        return std::nullopt;
    return names;
}

RtMidiOutput::RtMidiOutput(ExternalMidiApi api, std::optional<std::string> portName)
    : api_(api), portName_(std::move(portName))
{
}

// Whoever forgets to close it still leaves nothing sounding.
RtMidiOutput::~RtMidiOutput()
{
    CloseOutput(*this);
}

bool RtMidiOutput::Connected()
{
    if (!midi_) {
        failed_ = false;
        midi_ = MakeClient(api_, failed_);
    }
    return midi_ != nullptr;
}

std::optional<unsigned> RtMidiOutput::FindPort()
{
    failed_ = false;
    // Listing also connects to a JACK server, and fails without one.
    const std::vector<std::string> names = PortNames(*midi_);
    if (failed_)
        return std::nullopt;
    return portName_ ? FindIn(names, *portName_) : std::optional<unsigned>{0};
}

bool RtMidiOutput::DeviceAvailable()
{
    if (open_)
        return true;
    if (!Connected())
        return false;
    if (FindPort())
        return true;
    // Perhaps the server is not running yet: try afresh next time.
    midi_.reset();
    return false;
}

bool RtMidiOutput::Open()
{
    if (open_)
        return true;
    if (!Connected())
        return false;
    const std::optional<unsigned> index = FindPort();
    if (!index) {
        midi_.reset();
        return false;
    }
    failed_ = false;
    if (portName_)
        midi_->openPort(*index, VirtualPortName);
    else
        midi_->openVirtualPort(VirtualPortName);
    if (failed_) {
        midi_.reset();
        return false;
    }
    open_ = true;
    lost_ = false;
    if (api_ == ExternalMidiApi::Jack)
        cycles_ = ServerCycles::Start();
    lastCheck_ = std::chrono::steady_clock::now();
    return true;
}

bool RtMidiOutput::PortStillThere()
{
    return FindPort().has_value();
}

void RtMidiOutput::LosePort()
{
    lost_ = true;
    lossToReport_ = true;
}

void RtMidiOutput::Write(const MidiMessage& message)
{
    const std::array<unsigned char, 3> bytes{message.status, message.data1, message.data2};
    failed_ = false;
    midi_->sendMessage(bytes.data(), static_cast<std::size_t>(ByteCount(message)));
    if (failed_)
        LosePort();
}

void RtMidiOutput::Send(const MidiMessage& message)
{
    if (!open_ || lost_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (portName_ && now - lastCheck_ >= PortCheckInterval) {
        lastCheck_ = now;
        if (!PortStillThere()) {
            LosePort();
            return;
        }
    }
    Write(message);
}

void RtMidiOutput::SilenceAll()
{
    for (const std::uint8_t channel : PieceChannels) {
        for (const std::uint8_t controller : {AllNotesOffController, AllSoundOffController}) {
            if (!open_ || lost_)
                return;
            Write(ControlChange(controller, 0, channel));
        }
    }
}

// A fresh client for every piece: nothing of a lost connection lingers.
void RtMidiOutput::Close()
{
    if (!open_)
        return;
    if (cycles_ && !lost_)
        cycles_->Await(CyclesToSettle, SettlePatience);
    cycles_.reset();
    midi_->closePort();
    midi_.reset();
    open_ = false;
    lost_ = false;
}

std::string RtMidiOutput::SoundSource() const
{
    return portName_.value_or(VirtualPortName);
}

bool RtMidiOutput::TakePortLost()
{
    return lossToReport_.exchange(false);
}

} // namespace music
