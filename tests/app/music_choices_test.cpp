#include "audio_export_task.h"
#include "controller_rig.h"
#include "file_writing.h"
#include "midi_file_reading.h"
#include "preferences.h"
#include "reference_music.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace {

using namespace app_test;
using namespace std::chrono_literals;
using Messages = std::vector<music::MidiMessage>;

// 125 beats a minute in sixteenths: 120 ms a step.
constexpr music::MusicSettings DDorianPianoOverStrings{.tempo = 125, .key = 2,
                                                       .scale = music::Scale::Dorian, .melodyProgram = 0,
                                                       .chordProgram = 48, .melodyVelocity = 90, .chordVelocity = 60};

// The file, read back by mido, holds each message at the slot of 120 ms in
// which the real timer played it, and the recorder's times keep to that slot.
TEST(MusicChoices, TheStepLengthSetsTheTimersIntervalAndTheExportedTempo)
{
    ControllerRig rig;
    ASSERT_EQ(rig.controller.SetMusicSettings({.tempo = 125}), music::SettingsFault::None);
    rig.StartPiece();
    EXPECT_EQ(rig.controller.Timer().Interval(), 120ms);
    ASSERT_TRUE(QTest::qWaitFor([&rig] { return rig.controller.CurrentState() == State::Played; }, 10000));

    const auto calls = rig.output.AcceptedCalls();
    const auto first = std::find_if(calls.begin(), calls.end(), [](const auto& c) { return c.kind == RecordingMidiOut::Kind::Send; });
    ASSERT_NE(first, calls.end());
    std::vector<midi_reading::Event> heard;
    for (const auto& call : calls) {
        if (call.kind != RecordingMidiOut::Kind::Send)
            continue;
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(call.time - first->time);
        const int slot = static_cast<int>((since + 10ms) / 120ms);
        EXPECT_LE(since - slot * 120ms, 50ms) << "a message " << since.count() << " ms into the piece";
        const music::MidiMessage& m = call.message;
        const char* type = m.Kind() == music::NoteOnKind ? "note_on" : m.Kind() == music::NoteOffKind ? "note_off" : "program_change";
        heard.push_back({slot * 120, type, m.Channel(), m.data1, m.Kind() == music::NoteOnKind ? m.data2 : 0});
    }

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("piece.mid"));
    const auto bytes = rig.controller.PieceAsMidiFile();
    ASSERT_FALSE(WriteFileAtomically(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))));
    const midi_reading::Reading reading = midi_reading::ReadMidiFile(path.toStdString());
    std::vector<midi_reading::Event> read = reading.events;
    std::sort(read.begin(), read.end());
    std::sort(heard.begin(), heard.end());
    EXPECT_EQ(read, heard);
    EXPECT_EQ(reading.lengthMs, 10 * 120) << "ten ticks of 120 ms";
}

TEST(MusicChoices, ASettingChangedWhilePlayingTakesEffectWithTheNextPiece)
{
    ControllerRig defaults;
    defaults.StartPiece();
    defaults.PlayToEnd();

    ControllerRig rig;
    Controller& c = rig.controller;
    rig.StartPiece();
    ASSERT_EQ(c.SetMusicSettings(DDorianPianoOverStrings), music::SettingsFault::None);
    EXPECT_EQ(c.SetMusicSettings({.tempo = 750}), music::SettingsFault::Tempo);
    EXPECT_EQ(c.MusicSettings(), DDorianPianoOverStrings) << "a refused change keeps the settings";
    rig.PlayToEnd();
    EXPECT_EQ(rig.output.Heard(), defaults.output.Heard()) << "the playing piece keeps the settings it started with";
    EXPECT_EQ(c.Timer().Interval(), 200ms);

    rig.output.Clear();
    rig.controller.Compose();
    rig.controller.Press(398, 0);
    ASSERT_EQ(c.CurrentState(), State::Playing);
    EXPECT_EQ(c.Timer().Interval(), 120ms);
    c.Tick();
    // Direction 4 is degree 4 of D dorian from D5 (D E F G A): A5 = 81. Its
    // chord row is 81 - 74 = 7 mod 8, degrees 0 2 4 from D4: D4 F4 A4.
    const Messages expected{{0xC0, 0, 0}, {0xC1, 48, 0}, {0x90, 81, 90}, {0x91, 62, 60}, {0x91, 65, 60}, {0x91, 69, 60}};
    EXPECT_EQ(rig.output.Heard(), expected);
    EXPECT_EQ(c.PieceSettings(), DDorianPianoOverStrings);
}

TEST(MusicChoices, StoredSettingsComeBackAndABadStoredValueFallsBackToItsDefault)
{
    QTemporaryDir folder;
    QSettings store(folder.filePath(QStringLiteral("velmora.conf")), QSettings::IniFormat);
    EXPECT_EQ(LoadMusicSettings(store), music::MusicSettings{}) << "nothing stored yet";
    // Stored before there was a tempo: the same step, as a tempo in sixteenths.
    for (const int step : {200, 120, 333}) {
        store.setValue(QStringLiteral("music/stepMilliseconds"), step);
        const music::MusicSettings read = LoadMusicSettings(store);
        EXPECT_EQ(read.stepNote, music::StepNote::Sixteenth);
        EXPECT_EQ(music::StepMicroseconds(read), step * 1000) << step << " ms";
    }
    EXPECT_EQ(LoadOutputChoice(store), BuiltInOutput);

    SaveMusicSettings(store, DDorianPianoOverStrings);
    const OutputChoice port{OutputChoice::Kind::Port, music::ExternalMidiApi::Jack, "Synth:midi_in"};
    SaveOutputChoice(store, port);
    EXPECT_EQ(LoadMusicSettings(store), DDorianPianoOverStrings);
    EXPECT_EQ(LoadOutputChoice(store), port);

    store.setValue(QStringLiteral("music/tempo"), 750);
    store.setValue(QStringLiteral("music/scale"), QStringLiteral("Lydian"));
    store.setValue(QStringLiteral("music/melodyProgram"), QStringLiteral("piano"));
    store.setValue(QStringLiteral("music/chordVelocity"), 128);
    store.setValue(QStringLiteral("output/kind"), QStringLiteral("speaker"));
    music::MusicSettings expected = DDorianPianoOverStrings;
    expected.tempo = music::DefaultTempo;
    expected.scale = music::Scale::Major;
    expected.melodyProgram = 88;
    expected.chordVelocity = 100;
    EXPECT_EQ(LoadMusicSettings(store), expected) << "the good fields are kept";
    EXPECT_EQ(LoadOutputChoice(store), BuiltInOutput);
}

// A port that a test takes away: what it would hear is recorded.
struct PortState
{
    RecordingMidiOut heard;
    bool present = true;
    bool lost = false;
    bool lossToReport = false;
};

class FakePort final : public ExternalOutput
{
public:
    explicit FakePort(PortState& state) : state_(state) {}
    bool DeviceAvailable() override { return state_.present && state_.heard.DeviceAvailable(); }
    bool Open() override { return state_.present && state_.heard.Open(); }
    void Send(const music::MidiMessage& message) override
    {
        if (!state_.lost)
            state_.heard.Send(message);
    }
    void SilenceAll() override
    {
        if (!state_.lost)
            state_.heard.SilenceAll();
    }
    void Close() override { state_.heard.Close(); }
    std::string SoundSource() const override { return "Synth"; }
    bool TakePortLost() override { return std::exchange(state_.lossToReport, false); }

private:
    PortState& state_;
};

TEST(MusicChoices, AnExternalPortHearsThePieceAndALostPortFallsBackToTheBuiltInSynthesizer)
{
    ControllerRig builtIn;
    builtIn.StartPiece();
    builtIn.PlayToEnd();

    PortState port;
    ControllerRig rig;
    Controller& c = rig.controller;
    c.SetExternalOutputFactory([&port](const OutputChoice&) { return std::make_unique<FakePort>(port); });
    c.SetOutputChoice({OutputChoice::Kind::Port, music::ExternalMidiApi::AlsaSequencer, "Synth"});
    rig.StartPiece();
    rig.PlayToEnd();
    EXPECT_EQ(reference::CallsOf(port.heard.Calls()), reference::CallsOf(builtIn.output.Calls()))
        << "the port gets the built-in synthesizer's stream, silenced and closed at the end";
    EXPECT_TRUE(rig.output.Heard().empty());
    EXPECT_EQ(rig.messages, std::vector<QString>{AskForStartPoint});

    c.Compose();
    c.Press(398, 0);
    c.Tick();
    port.lost = port.lossToReport = true;
    c.Tick();
    EXPECT_EQ(rig.messages.size(), 2u) << "not told inside the tick, where a modal message holds back the timer";
    rig.PlayToEnd();
    QCoreApplication::processEvents();  // the loss is told once the tick has returned
    ASSERT_EQ(rig.messages.size(), 3u) << "another request for a start point, then the loss once";
    EXPECT_TRUE(rig.messages[2].contains(QStringLiteral("went away"))) << rig.messages[2].toStdString();

    port.present = false;
    c.Compose();
    c.Press(398, 0);
    ASSERT_EQ(c.CurrentState(), State::Playing);
    EXPECT_EQ(rig.output.Heard(), reference::Instruments()) << "the next piece plays on the built-in synthesizer";
    EXPECT_TRUE(rig.messages.back().contains(QStringLiteral("cannot be reached"))) << rig.messages.back().toStdString();
    c.Quit();
    EXPECT_EQ(rig.output.Calls().back().kind, RecordingMidiOut::Kind::Close);
}

// Other programs can be wired to the own port before a piece plays, and the
// status line says where the piece sounds.
TEST(MusicChoices, TheOwnPortIsOpenFromItsChoiceToTheNextChoiceAndThePlayingLineNamesIt)
{
    PortState port;
    ControllerRig rig;
    Controller& c = rig.controller;
    c.SetExternalOutputFactory([&port](const OutputChoice&) { return std::make_unique<FakePort>(port); });
    const auto kinds = [&port] {
        std::vector<RecordingMidiOut::Kind> kinds;
        for (const auto& call : port.heard.Calls())
            kinds.push_back(call.kind);
        return kinds;
    };
    c.SetOutputChoice(OwnPortOutput);
    ASSERT_FALSE(kinds().empty());
    EXPECT_EQ(kinds().back(), RecordingMidiOut::Kind::Open) << "open as soon as it is chosen";
    rig.StartPiece();
    EXPECT_TRUE(c.StatusText().endsWith(QStringLiteral("on the MIDI port Synth"))) << c.StatusText().toStdString();
    rig.PlayToEnd();
    EXPECT_NE(kinds().back(), RecordingMidiOut::Kind::Close) << "still open after the piece";
    c.SetOutputChoice(BuiltInOutput);
    EXPECT_EQ(kinds().back(), RecordingMidiOut::Kind::Close) << "closed once another output is chosen";
    c.Compose();
    c.Press(398, 0);
    EXPECT_TRUE(c.StatusText().endsWith(QStringLiteral("on the built-in synthesizer"))) << c.StatusText().toStdString();
}

} // namespace

TEST(MusicChoices, AFailedAudioExportSaysWhereAndWhy)
{
    AudioExportTask task(std::vector<std::uint8_t>(9, 60), {}, "/nowhere/sound.sf2", QStringLiteral("/nowhere/piece.wav"));
    ASSERT_TRUE(QTest::qWaitFor([&task] { return task.Finished(); }, 10000));
    EXPECT_EQ(task.FailureMessage(), QStringLiteral("The audio could not be exported.\n/nowhere/piece.wav\n"
                                                    "The SoundFont /nowhere/sound.sf2 could not be loaded."));
}
