#include "midi_clock_input.h"

#include "port_names.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <rtmidi/RtMidi.h>

#include <atomic>
#include <future>
#include <thread>

namespace music {

namespace {

// As for the output: a server that answers takes a few milliseconds.
constexpr std::chrono::milliseconds AnswerPatience{1000};

RtMidi::Api ToRtMidi(ExternalMidiApi api)
{
    return api == ExternalMidiApi::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

void RecordFailure(RtMidiError::Type type, const std::string&, void* failed)
{
    if (type != RtMidiError::DEBUG_WARNING)
        static_cast<std::atomic<bool>*>(failed)->store(true);
}

std::unique_ptr<RtMidiIn> MakeClient(ExternalMidiApi api, std::atomic<bool>& failed)
{
    if (!CanStartMidiApi(api))
        return nullptr;
    try {
        auto client = std::make_unique<RtMidiIn>(ToRtMidi(api), ExternalClientName);
        if (client->getCurrentApi() != ToRtMidi(api))
            return nullptr;
        client->setErrorCallback(RecordFailure, &failed);
        return client;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

std::vector<std::string> PortNames(RtMidiIn& client)
{
    std::vector<std::string> names;
    for (unsigned i = 0, count = client.getPortCount(); i < count; ++i)
        names.push_back(client.getPortName(i));
    return names;
}

// Runs the task on a thread of its own and waits a moment for its answer;
// a server that does not answer holds up only that thread.
template <typename Result>
std::optional<Result> WithPatience(std::function<std::optional<Result>()> task)
{
    auto job = std::make_shared<std::packaged_task<std::optional<Result>()>>(std::move(task));
    std::future<std::optional<Result>> answer = job->get_future();
    std::thread([job] { (*job)(); }).detach();
    if (answer.wait_for(AnswerPatience) != std::future_status::ready)
        return std::nullopt;
    return answer.get();
}

// Closing a client waits on its server: a moment at most here, and a
// thread that is stuck is left to finish by itself.
void CloseWithPatience(std::function<void()> close)
{
    auto job = std::make_shared<std::packaged_task<void()>>(std::move(close));
    std::future<void> done = job->get_future();
    std::thread closing([job] { (*job)(); });
    if (done.wait_for(AnswerPatience) == std::future_status::ready)
        closing.join();
    else
        closing.detach();
}

} // namespace

std::optional<std::vector<std::string>> ListMidiOutputPorts(ExternalMidiApi api)
{
    return WithPatience<std::vector<std::string>>([api]() -> std::optional<std::vector<std::string>> {
        std::atomic<bool> failed{false};
        const std::unique_ptr<RtMidiIn> client = MakeClient(api, failed);
        if (!client)
            return std::nullopt;
        std::vector<std::string> names = PortNames(*client);
        if (failed)
            return std::nullopt;
        return names;
    });
}

// The client, and the sink its thread hands the bytes to. Shared with the
// threads that open and close it, which may outlive the input.
//
// Through JACK the input is a client of Velmora's own rather than RtMidi's:
// RtMidi stamps what it hears when the server's cycle runs, a cycle's
// jitter and more on a busy machine, where JACK's frame times put each
// pulse at the moment its sender placed it.
struct MidiClockInput::Connection
{
    static void Heard(double, std::vector<unsigned char>* message, void* self)
    {
        const SteadyTime now = std::chrono::steady_clock::now();
        auto& connection = *static_cast<Connection*>(self);
        if (message && !message->empty())
            connection.Hand(message->front(), now);
    }

    static int Process(jack_nframes_t frames, void* self)
    {
        auto& connection = *static_cast<Connection*>(self);
        void* buffer = jack_port_get_buffer(connection.port, frames);
        const jack_nframes_t cycle = jack_last_frame_time(connection.client);
        // JACK's clock against the steady clock, read together once a cycle.
        const jack_time_t jackNow = jack_get_time();
        const SteadyTime now = std::chrono::steady_clock::now();
        jack_midi_event_t event;
        for (jack_nframes_t i = 0; jack_midi_event_get(&event, buffer, i) == 0; ++i) {
            const jack_time_t at = jack_frames_to_time(connection.client, cycle + event.time);
            if (event.size > 0)
                connection.Hand(event.buffer[0],
                                now + std::chrono::microseconds(static_cast<long long>(at) - static_cast<long long>(jackNow)));
        }
        return 0;
    }

    // Only system real-time bytes: the clock, Start, Continue and Stop.
    void Hand(std::uint8_t status, SteadyTime at)
    {
        if (status >= 0xF8 && listening.load())
            sink(status, at);
    }

    bool OpenJack(const std::optional<std::string>& portName)
    {
        if (!CanStartMidiApi(ExternalMidiApi::Jack))
            return false;
        client = jack_client_open(ExternalClientName, JackNoStartServer, nullptr);
        if (!client)
            return false;
        port = jack_port_register(client, ClockInPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (!port || jack_set_process_callback(client, Process, this) != 0 || jack_activate(client) != 0)
            return false;
        return !portName || jack_connect(client, portName->c_str(), jack_port_name(port)) == 0;
    }

    bool OpenRtMidi(ExternalMidiApi api, const std::optional<std::string>& portName)
    {
        midi = MakeClient(api, failed);
        if (!midi)
            return false;
        // Clock and start/stop are what is wanted here; system exclusive and active sensing are not.
        midi->ignoreTypes(true, false, true);
        midi->setCallback(&Connection::Heard, this);
        if (portName) {
            const std::optional<unsigned> index = FindIn(PortNames(*midi), *portName);
            if (!index)
                return false;
            midi->openPort(*index, ClockInPortName);
        } else {
            midi->openVirtualPort(ClockInPortName);
        }
        return !failed;
    }

    void Close()
    {
        midi.reset();
        if (client)
            jack_client_close(client);
        client = nullptr;
    }

    Sink sink;
    std::atomic<bool> failed{false};
    std::atomic<bool> listening{true};
    std::unique_ptr<RtMidiIn> midi;
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
};

std::unique_ptr<MidiClockInput> MidiClockInput::Open(ExternalMidiApi api, std::optional<std::string> portName,
                                                     Sink sink)
{
    auto connection = std::make_shared<Connection>();
    connection->sink = std::move(sink);
    const std::optional<bool> opened = WithPatience<bool>([connection, api, portName]() -> std::optional<bool> {
        return api == ExternalMidiApi::Jack ? connection->OpenJack(portName) : connection->OpenRtMidi(api, portName);
    });
    if (!opened || !*opened) {
        connection->listening = false;
        if (opened)
            connection->Close();
        // An opening still under way holds the connection, and closes it when it returns.
        return nullptr;
    }
    auto input = std::unique_ptr<MidiClockInput>(new MidiClockInput);
    input->name_ = portName.value_or(ClockInPortName);
    input->connection_ = std::move(connection);
    return input;
}

MidiClockInput::~MidiClockInput()
{
    connection_->listening = false;
    CloseWithPatience([connection = connection_] { connection->Close(); });
}

} // namespace music
