#include "printing.h"
#include "rtmidi_output.h"
#include "sequencer.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using music::ExternalMidiApi;
using music::MidiMessage;
using namespace std::chrono_literals;

constexpr const char* Jackd = "/usr/bin/jackd";

// A JACK server of the test's own on the dummy backend, under a name no other server uses.
class JackServer
{
public:
    JackServer()
    {
        const std::string name = "velmora-test-" + std::to_string(::getpid());
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        // Waiting for the server, every early try would print its failure.
        jack_set_error_function([](const char*) {});
        jack_set_info_function([](const char*) {});
        if (access(Jackd, X_OK) != 0) {
            failure_ = std::string("no ") + Jackd + " (Debian's jackd2)";
            return;
        }
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        const char* arguments[] = {Jackd, "-n", name.c_str(), "-r", "-d", "dummy", "-r", "48000", "-p", "256", nullptr};
        const int spawned = posix_spawn(&pid_, Jackd, &quiet, nullptr, const_cast<char**>(arguments), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) {
            failure_ = "jackd did not start";
            pid_ = 0;
            return;
        }
        for (auto waited = 0ms; waited < 10s; waited += 50ms) {
            if (jack_client_t* probe = jack_client_open("probe", JackNoStartServer, nullptr)) {
                jack_client_close(probe);
                return;
            }
            std::this_thread::sleep_for(50ms);
        }
        failure_ = "jackd -d dummy answered no client within 10 s";
    }
    ~JackServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

    const std::string& Failure() const { return failure_; }

private:
    pid_t pid_ = 0;
    std::string failure_;
};

// A JACK client with one MIDI input port that keeps every message it hears.
class JackRecorder
{
public:
    JackRecorder()
    {
        client_ = jack_client_open("recorder", JackNoStartServer, nullptr);
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &JackRecorder::Process, this);
        jack_activate(client_);
    }
    ~JackRecorder() { Leave(); }

    std::string PortName() const { return jack_port_name(port_); }
    jack_client_t* Client() const { return client_; }

    // Leaves the server, as a program that quits would.
    void Leave()
    {
        if (client_)
            jack_client_close(client_);
        client_ = nullptr;
    }

    // What arrived once count messages have, or after a second.
    std::vector<MidiMessage> Received(std::size_t count)
    {
        for (auto waited = 0ms; waited < 1s && Copy().size() < count; waited += 10ms)
            std::this_thread::sleep_for(10ms);
        return Copy();
    }

private:
    std::vector<MidiMessage> Copy()
    {
        const std::lock_guard lock(mutex_);
        return received_;
    }

    static int Process(jack_nframes_t frames, void* self)
    {
        auto& recorder = *static_cast<JackRecorder*>(self);
        void* buffer = jack_port_get_buffer(recorder.port_, frames);
        const std::lock_guard lock(recorder.mutex_);
        for (jack_nframes_t i = 0; i < jack_midi_get_event_count(buffer); ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) == 0 && event.size >= 2)
                recorder.received_.push_back({event.buffer[0], event.buffer[1], event.size > 2 ? event.buffer[2] : std::uint8_t{0}});
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::mutex mutex_;
    std::vector<MidiMessage> received_;
};

std::vector<MidiMessage> Piece()
{
    std::vector<MidiMessage> messages;
    for (const auto& timed : music::PieceMessages({72, 74, 76, 76, 79, 84, 72, 81, 83, 77, 74}))
        messages.push_back(timed.message);
    return messages;
}

// What closing after a piece adds: all notes and all sound off on both channels.
const std::vector<MidiMessage> Silencing{{0xB0, 123, 0}, {0xB0, 120, 0}, {0xB1, 123, 0}, {0xB1, 120, 0}};

class JackOutputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!server_.Failure().empty())
            GTEST_SKIP() << "no JACK server for the test: " << server_.Failure();
    }

    JackServer server_;
};

TEST_F(JackOutputTest, AChosenPortAndTheOwnPortGetThePieceMessageForMessageAndSilenceAtClose)
{
    for (const bool ownPort : {false, true}) {
        SCOPED_TRACE(ownPort ? "Velmora's own port" : "the recorder's port");
        JackRecorder recorder;
        const auto ports = music::ListMidiInputPorts(ExternalMidiApi::Jack);
        ASSERT_TRUE(ports.has_value());
        EXPECT_NE(std::find(ports->begin(), ports->end(), recorder.PortName()), ports->end());

        music::RtMidiOutput output(ExternalMidiApi::Jack,
                                   ownPort ? std::nullopt : std::optional<std::string>(recorder.PortName()));
        ASSERT_EQ(music::OpenOutput(output), music::OpenOutcome::Opened);
        if (ownPort) {
            const char** own = jack_get_ports(recorder.Client(), "^Velmora:Velmora$", JACK_DEFAULT_MIDI_TYPE, 0);
            ASSERT_NE(own, nullptr) << "no port named Velmora";
            ASSERT_EQ(jack_connect(recorder.Client(), own[0], recorder.PortName().c_str()), 0);
            jack_free(own);
        }
        const std::vector<MidiMessage> piece = Piece();
        for (const MidiMessage& message : piece)
            output.Send(message);
        music::CloseOutput(output);

        std::vector<MidiMessage> expected = piece;
        expected.insert(expected.end(), Silencing.begin(), Silencing.end());
        EXPECT_EQ(recorder.Received(expected.size() + 1), expected);
        EXPECT_FALSE(output.TakePortLost());
    }
}

TEST_F(JackOutputTest, APortThatGoesAwayDropsTheRestAndIsReportedOnce)
{
    JackRecorder recorder;
    music::RtMidiOutput output(ExternalMidiApi::Jack, recorder.PortName());
    ASSERT_EQ(music::OpenOutput(output), music::OpenOutcome::Opened);
    output.Send(music::NoteOn(72, 127, 0));
    EXPECT_EQ(recorder.Received(1), std::vector<MidiMessage>{music::NoteOn(72, 127, 0)});
    recorder.Leave();
    std::this_thread::sleep_for(200ms);
    for (const MidiMessage& message : Piece())
        output.Send(message);
    EXPECT_TRUE(output.TakePortLost());
    EXPECT_FALSE(output.TakePortLost()) << "a loss is reported once";
    music::CloseOutput(output);

    music::RtMidiOutput absent(ExternalMidiApi::Jack, std::string("nobody:in"));
    EXPECT_EQ(music::OpenOutput(absent), music::OpenOutcome::NoDevice);
}

TEST(AlsaOutput, ListsAndOpensWhereTheSequencerExistsAndFindsNoDeviceWhereNot)
{
    music::RtMidiOutput own(ExternalMidiApi::AlsaSequencer, std::nullopt);
    if (!std::filesystem::exists("/dev/snd/seq")) {
        EXPECT_EQ(music::ListMidiInputPorts(ExternalMidiApi::AlsaSequencer), std::nullopt);
        EXPECT_EQ(music::OpenOutput(own), music::OpenOutcome::NoDevice);
        GTEST_SKIP() << "no ALSA sequencer (/dev/snd/seq) here: checked only that none is found";
    }
    EXPECT_TRUE(music::ListMidiInputPorts(ExternalMidiApi::AlsaSequencer).has_value());
    ASSERT_EQ(music::OpenOutput(own), music::OpenOutcome::Opened);
    own.Send(music::NoteOn(72, 127, 0));
    music::CloseOutput(own);
    EXPECT_FALSE(own.TakePortLost());
}

} // namespace
