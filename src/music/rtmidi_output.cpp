#include "rtmidi_output.h"

#include "jack_server_cycles.h"
#include "music_tables.h"
#include "port_names.h"
#include "sync_timeline.h"

#include <rtmidi/RtMidi.h>

#include <atomic>
#include <array>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace music {

namespace {

// Looking for the chosen port costs a round trip to the sequencer or the
// server, so it is done at most this often while sending.
constexpr std::chrono::milliseconds PortCheckInterval{100};

// The channels a piece plays on, silenced at the end.
constexpr std::array<std::uint8_t, 2> PieceChannels{MelodyChannel, ChordChannel};

// The library hands what is sent to the JACK server in its next process
// cycle, and what crosses in the cycle its port is removed is lost: the
// closing silence, above all. A few whole cycles let it through; the
// patience bounds the wait on a stalled server.
constexpr int CyclesToSettle = 3;
constexpr std::chrono::milliseconds SettlePatience{1000};
// Finding or opening a port takes a few milliseconds on a server that
// answers, a hundred on a busy machine; past this the server is taken
// not to answer.
constexpr std::chrono::milliseconds AnswerPatience{1000};
// Long enough for the closing silence to settle on a server that answers.
constexpr std::chrono::milliseconds ShutdownPatience{500};

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
    if (!CanStartMidiApi(api))
        return nullptr;
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

} // namespace

// The library prints to the terminal when its client cannot start, before
// an error callback can be set: what it would try is tried first, quietly.
bool CanStartMidiApi(ExternalMidiApi api)
{
    if (api == ExternalMidiApi::AlsaSequencer)
        return ::access("/dev/snd/seq", R_OK | W_OK) == 0;
    jack_client_t* probe = jack_client_open("Velmora probe", JackNoStartServer, nullptr);
    if (probe)
        jack_client_close(probe);
    return probe != nullptr;
}

std::optional<std::vector<std::string>> ListMidiInputPorts(ExternalMidiApi api)
{
    // On a thread of its own, so a server that does not answer holds up
    // only that thread; the list then shows none of its ports.
    using Ports = std::optional<std::vector<std::string>>;
    auto listing = std::make_shared<std::packaged_task<Ports()>>([api]() -> Ports {
        std::atomic<bool> failed{false};
        const std::unique_ptr<RtMidiOut> client = MakeClient(api, failed);
        if (!client)
            return std::nullopt;
        std::vector<std::string> names = PortNames(*client);
        if (failed)
            return std::nullopt;
        return names;
    });
    std::future<Ports> ports = listing->get_future();
    std::thread([listing] { (*listing)(); }).detach();
    if (ports.wait_for(AnswerPatience) != std::future_status::ready)
        return std::nullopt;
    return ports.get();
}

// The library's client and port, used only on the worker thread.
class RtMidiOutput::Connection
{
public:
    Connection(ExternalMidiApi api, std::optional<std::string> portName, std::atomic<bool>& lossToReport)
        : api_(api), portName_(std::move(portName)), lossToReport_(lossToReport)
    {
    }
    ~Connection() { Close(); }

    bool DeviceAvailable()
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

    bool Open()
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
        serverGone_ = false;
        if (api_ == ExternalMidiApi::Jack)
            cycles_ = ServerCycles::Start(serverGone_);
        lastCheck_ = std::chrono::steady_clock::now();
        return true;
    }

    void Send(const MidiMessage& message)
    {
        if (!open_ || lost_)
            return;
        if (serverGone_) {
            LosePort();
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (portName_ && now - lastCheck_ >= PortCheckInterval) {
            lastCheck_ = now;
            if (!FindPort()) {
                LosePort();
                return;
            }
        }
        Write(message);
    }

    void SilenceAll()
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
    void Close()
    {
        if (!open_)
            return;
        if (cycles_ && !lost_ && !serverGone_)
            cycles_->Await(CyclesToSettle, SettlePatience);
        cycles_.reset();
        midi_->closePort();
        midi_.reset();
        open_ = false;
        lost_ = false;
    }

private:
    bool Connected()
    {
        if (!midi_) {
            failed_ = false;
            midi_ = MakeClient(api_, failed_);
        }
        return midi_ != nullptr;
    }

    std::optional<unsigned> FindPort()
    {
        failed_ = false;
        // Listing also connects to a JACK server, and fails without one.
        const std::vector<std::string> names = PortNames(*midi_);
        if (failed_)
            return std::nullopt;
        return portName_ ? FindIn(names, *portName_) : std::optional<unsigned>{0};
    }

    void LosePort()
    {
        lost_ = true;
        lossToReport_ = true;
    }

    void Write(const MidiMessage& message)
    {
        const std::array<unsigned char, 3> bytes{message.status, message.data1, message.data2};
        failed_ = false;
        midi_->sendMessage(bytes.data(), static_cast<std::size_t>(WireLength(message)));
        if (failed_)
            LosePort();
    }

    ExternalMidiApi api_;
    std::optional<std::string> portName_;
    std::atomic<bool>& lossToReport_;
    // Before the clients that set them, so they outlive them.
    std::atomic<bool> failed_{false};      // set by the library's error callback
    std::atomic<bool> serverGone_{false};  // set by JACK's shutdown callback
    std::unique_ptr<RtMidiOut> midi_;
    std::unique_ptr<ServerCycles> cycles_;  // JACK only, while open
    bool open_ = false;
    bool lost_ = false;
    std::chrono::steady_clock::time_point lastCheck_;
};

struct RtMidiOutput::Worker
{
    Worker(ExternalMidiApi api, std::optional<std::string> portName)
        : connection(std::in_place, api, std::move(portName), lossToReport)
    {
    }

    void Run()
    {
        for (;;) {
            std::function<void(Connection&)> job;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [this] { return !jobs.empty() || finishing; });
                if (jobs.empty())
                    break;
                job = std::move(jobs.front());
                jobs.pop_front();
                busySince = std::chrono::steady_clock::now();
            }
            job(*connection);
            const std::lock_guard lock(mutex);
            busySince.reset();
        }
        connection.reset();
        {
            const std::lock_guard lock(mutex);
            finished = true;
        }
        changed.notify_all();
    }

    std::atomic<bool> lossToReport{false};
    std::optional<Connection> connection;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void(Connection&)>> jobs;
    // Since when the job under way has run, so a caller need not wait on
    // a worker that is known to be stuck.
    std::optional<std::chrono::steady_clock::time_point> busySince;
    bool finishing = false;
    bool finished = false;
    std::thread thread;
};

RtMidiOutput::RtMidiOutput(ExternalMidiApi api, std::optional<std::string> portName)
    : portName_(portName), worker_(std::make_shared<Worker>(api, std::move(portName)))
{
    // The thread holds the shared state itself, so a thread left behind at
    // shutdown never reaches into a destroyed output.
    worker_->thread = std::thread([worker = worker_] { worker->Run(); });
}

// Whoever forgets to close it still leaves nothing sounding.
RtMidiOutput::~RtMidiOutput()
{
    CloseOutput(*this);
    bool finished = false;
    {
        std::unique_lock lock(worker_->mutex);
        worker_->finishing = true;
        worker_->changed.notify_all();
        finished = worker_->changed.wait_for(lock, ShutdownPatience, [this] { return worker_->finished; });
    }
    if (finished) {
        worker_->thread.join();
        return;
    }
    // Left behind, the worker only closes what is open once the call under
    // way returns: the calls still queued would race a newer output's in
    // the library.
    {
        const std::lock_guard lock(worker_->mutex);
        worker_->jobs.clear();
    }
    worker_->thread.detach();
}

void RtMidiOutput::Post(std::function<void(Connection&)> job)
{
    {
        const std::lock_guard lock(worker_->mutex);
        worker_->jobs.push_back(std::move(job));
    }
    worker_->changed.notify_all();
}

std::optional<bool> RtMidiOutput::Ask(std::function<bool(Connection&)> question)
{
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    {
        const std::lock_guard lock(worker_->mutex);
        const auto& since = worker_->busySince;
        if (since && std::chrono::steady_clock::now() - *since > AnswerPatience)
            return std::nullopt;
        worker_->jobs.push_back([answer, question = std::move(question)](Connection& connection) {
            answer->set_value(question(connection));
        });
    }
    worker_->changed.notify_all();
    if (answered.wait_for(AnswerPatience) != std::future_status::ready)
        return std::nullopt;
    return answered.get();
}

bool RtMidiOutput::DeviceAvailable()
{
    return open_ || Ask([](Connection& connection) { return connection.DeviceAvailable(); }).value_or(false);
}

bool RtMidiOutput::Open()
{
    if (open_)
        return true;
    const std::optional<bool> opened = Ask([](Connection& connection) { return connection.Open(); });
    if (!opened) {
        // It may still open once the server answers: then it closes again.
        Post([](Connection& connection) { connection.Close(); });
        return false;
    }
    open_ = *opened;
    return open_;
}

void RtMidiOutput::Send(const MidiMessage& message)
{
    if (open_)
        Post([message](Connection& connection) { connection.Send(message); });
}

void RtMidiOutput::SilenceAll()
{
    if (open_)
        Post([](Connection& connection) { connection.SilenceAll(); });
}

void RtMidiOutput::Close()
{
    if (!open_)
        return;
    open_ = false;
    Post([](Connection& connection) { connection.Close(); });
}

std::string RtMidiOutput::SoundSource() const
{
    return portName_.value_or(VirtualPortName);
}

bool RtMidiOutput::TakePortLost()
{
    return worker_->lossToReport.exchange(false);
}

} // namespace music
