#include "jack_server.h"
#include "printing.h"
#include "rtmidi_output.h"
#include "sequencer.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <csignal>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace {

using music::ExternalMidiApi;
using music::MidiMessage;
using namespace std::chrono_literals;
using Messages = std::vector<MidiMessage>;

// A JACK client with one MIDI input port that keeps every message it hears.
struct JackRecorder
{
    JackRecorder()
    {
        client = jack_client_open("recorder", JackNoStartServer, nullptr);
        port = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client, [](jack_nframes_t frames, void* self) {
            auto& recorder = *static_cast<JackRecorder*>(self);
            void* buffer = jack_port_get_buffer(recorder.port, frames);
            const std::lock_guard lock(recorder.mutex);
            jack_midi_event_t e;
            for (jack_nframes_t i = 0; jack_midi_event_get(&e, buffer, i) == 0; ++i)
                recorder.received.push_back({e.buffer[0], e.buffer[1], e.size > 2 ? e.buffer[2] : std::uint8_t{0}});
            return 0;
        }, this);
        jack_activate(client);
    }
    ~JackRecorder() { jack_client_close(client); }

    std::string PortName() const { return jack_port_name(port); }
    // Velmora's own port. Every client of the program is named Velmora, so
    // while an earlier one is still closing JACK names the newer Velmora-01
    // and so on: every such port is connected, and only the open one sends.
    bool ConnectVelmoraPorts()
    {
        const char** ports = jack_get_ports(client, "^Velmora[^:]*:Velmora$", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput);
        bool any = false;
        for (const char** port = ports; port && *port; ++port)
            any = jack_connect(client, *port, jack_port_name(this->port)) == 0 || any;
        jack_free(ports);
        return any;
    }
    // A new connection reaches the server's graph a few periods later;
    // what is sent before then is lost on the way.
    bool WaitForConnection() const
    {
        for (auto waited = 0ms; waited < 5s; waited += 10ms, std::this_thread::sleep_for(10ms)) {
            if (jack_port_connected(port) > 0) {
                std::this_thread::sleep_for(100ms);
                return true;
            }
        }
        return false;
    }
    // What has arrived once count messages have, or after a few seconds on
    // a busy machine; and some sixty periods more for any that should not.
    Messages Received(std::size_t count)
    {
        for (auto waited = 0ms; waited < 5s; waited += 10ms, std::this_thread::sleep_for(10ms)) {
            const std::lock_guard lock(mutex);
            if (received.size() >= count)
                break;
        }
        std::this_thread::sleep_for(300ms);
        const std::lock_guard lock(mutex);
        return received;
    }

    std::size_t Count()
    {
        const std::lock_guard lock(mutex);
        return received.size();
    }
    void Clear()
    {
        const std::lock_guard lock(mutex);
        received.clear();
    }

    jack_client_t* client;
    jack_port_t* port;
    std::mutex mutex;
    Messages received;
};

// The output reports a loss once its worker has sent into it.
bool LossReported(music::RtMidiOutput& output, const Messages& sending)
{
    for (auto waited = 0ms; waited < 3s; waited += 50ms, std::this_thread::sleep_for(50ms)) {
        for (const MidiMessage& message : sending)
            output.Send(message);
        if (output.TakePortLost())
            return true;
    }
    return false;
}

TEST(JackOutput, SendsThePieceToAChosenPortOrItsOwnSilencesAtCloseAndReportsAPortThatWentAwayOnce)
{
    const JackServer server;
    if (!server.failure.empty())
        GTEST_SKIP() << "no JACK server for the test: " << server.failure;
    Messages piece;
    for (const auto& timed : music::PieceMessages({72, 74, 76, 76, 79, 84, 72, 81, 83, 77, 74}))
        piece.push_back(timed.message);
    for (const bool ownPort : {false, true}) {
        SCOPED_TRACE(ownPort ? "Velmora's own port" : "the recorder's port");
        JackRecorder recorder;
        const auto ports = music::ListMidiInputPorts(ExternalMidiApi::Jack);
        ASSERT_TRUE(ports && std::count(ports->begin(), ports->end(), recorder.PortName()) == 1);
        music::RtMidiOutput output(ExternalMidiApi::Jack, ownPort ? std::nullopt : std::optional(recorder.PortName()));
        ASSERT_EQ(music::OpenOutput(output), music::OpenOutcome::Opened);
        ASSERT_TRUE(!ownPort || recorder.ConnectVelmoraPorts());
        ASSERT_TRUE(recorder.WaitForConnection());
        // A route made by another program may still swallow what is sent
        // first: the piece starts once a note-off on an unused channel gets through.
        for (int tries = 0; ownPort && tries < 50 && recorder.Count() == 0; ++tries) {
            output.Send(music::NoteOff(0, 15));
            std::this_thread::sleep_for(100ms);
        }
        recorder.Clear();
        for (const MidiMessage& message : piece)
            output.Send(message);
        music::CloseOutput(output);
        // All notes off, then all sound off, on the melody's and the chords' channels.
        Messages expected = piece;
        expected.insert(expected.end(), {{0xB0, 123, 0}, {0xB0, 120, 0}, {0xB1, 123, 0}, {0xB1, 120, 0}});
        EXPECT_EQ(recorder.Received(expected.size()), expected);
        EXPECT_FALSE(output.TakePortLost());
    }

    auto leaving = std::make_unique<JackRecorder>();
    music::RtMidiOutput output(ExternalMidiApi::Jack, leaving->PortName());
    ASSERT_EQ(music::OpenOutput(output), music::OpenOutcome::Opened);
    ASSERT_TRUE(leaving->WaitForConnection());
    output.Send(music::NoteOn(72, 127, 0));
    EXPECT_EQ(leaving->Received(1), Messages{music::NoteOn(72, 127, 0)});
    leaving.reset();  // the program quits
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(LossReported(output, piece));
    EXPECT_FALSE(output.TakePortLost()) << "a loss is reported once";
    music::CloseOutput(output);
    music::RtMidiOutput absent(ExternalMidiApi::Jack, std::string("nobody:in"));
    EXPECT_EQ(music::OpenOutput(absent), music::OpenOutcome::NoDevice);
}

// A server that stops answering holds up none of the output's calls, and one
// that dies mid-piece is reported as a lost port.
TEST(JackOutput, NeverWaitsOnAStalledServerAndReportsOneThatWentAway)
{
    const JackServer server;
    if (!server.failure.empty())
        GTEST_SKIP() << "no JACK server for the test: " << server.failure;
    const auto timed = [](auto&& call) {
        const auto start = std::chrono::steady_clock::now();
        call();
        return std::chrono::steady_clock::now() - start;
    };
    {
        auto output = std::make_unique<music::RtMidiOutput>(ExternalMidiApi::Jack, std::nullopt);
        ASSERT_EQ(music::OpenOutput(*output), music::OpenOutcome::Opened);
        output->Send(music::NoteOn(72, 127, 0));
        kill(server.pid, SIGSTOP);
        EXPECT_LT(timed([&] { music::CloseOutput(*output); }), 100ms) << "Stop Music";
        EXPECT_LT(timed([&] { EXPECT_NE(music::OpenOutput(*output), music::OpenOutcome::Opened); }), 1500ms)
            << "the next piece";
        EXPECT_LT(timed([&] { output.reset(); }), 1500ms) << "Quit";
        kill(server.pid, SIGCONT);
    }
    music::RtMidiOutput output(ExternalMidiApi::Jack, std::nullopt);
    ASSERT_EQ(music::OpenOutput(output), music::OpenOutcome::Opened);
    // Killed outright the server would leave its entry in JACK's registry,
    // and too many such entries keep later servers from starting.
    kill(server.pid, SIGTERM);
    EXPECT_TRUE(LossReported(output, {music::NoteOn(72, 127, 0)})) << "a server gone mid-piece is a lost port";
    music::CloseOutput(output);
}

TEST(AlsaOutput, ListsAndOpensWhereTheSequencerExistsAndFindsNoDeviceWhereNot)
{
    const bool present = access("/dev/snd/seq", F_OK) == 0;
    music::RtMidiOutput own(ExternalMidiApi::AlsaSequencer, std::nullopt);
    EXPECT_EQ(music::ListMidiInputPorts(ExternalMidiApi::AlsaSequencer).has_value(), present);
    EXPECT_EQ(music::OpenOutput(own), present ? music::OpenOutcome::Opened : music::OpenOutcome::NoDevice);
    music::CloseOutput(own);
    if (!present)
        GTEST_SKIP() << "no ALSA sequencer (/dev/snd/seq) here: checked only that none is found";
}

} // namespace
