#include "piece_performer.h"

#include "fluid_synth_output.h"
#include "music_tables.h"

#include <chrono>
#include <utility>

PiecePerformer::PiecePerformer(music::MidiOut& output, std::function<void(const QString&)> tell)
    : output_(output), tell_(std::move(tell))
{
    readinessCheck_.setSingleShot(true);
    readinessCheck_.setInterval(ReadinessPatienceMilliseconds);
    QObject::connect(&readinessCheck_, &QTimer::timeout, [this] { CheckReadiness(); });
    // A Link session's tempo becomes the tempo of the next piece too, where its note value allows it.
    QObject::connect(&sync_, &SyncCoordinator::tempoShared, [this](double tempo) {
        if (music::CheckTiming(tempo, settings_.stepNote) == music::SettingsFault::None)
            settings_.tempo = tempo;
    });
    stepRelease_.setSingleShot(true);
    QObject::connect(&stepRelease_, &QTimer::timeout, [this] { Send(sequencer_.Release()); });
}

PiecePerformer::~PiecePerformer()
{
    timer_.SetEnabled(false);
}

void PiecePerformer::Start(const std::vector<std::uint8_t>& notes, const music::MusicSettings& settings)
{
    sequencer_.Start(notes, settings);
    // Without an output the piece still runs its course, silently.
    pieceOutput_ = OpenExternalOutput(true);
    switch (pieceOutput_ ? music::OpenOutcome::Opened : music::OpenOutput(output_)) {
    case music::OpenOutcome::Opened:
        break;
    case music::OpenOutcome::NoDevice:
        tell_(NoSoundSourceMessage());
        break;
    case music::OpenOutcome::Refused:
        ReportSilence(music::MidiOut::Readiness::NoSound);
        break;
    case music::OpenOutcome::Pending:
        // Usually ready within moments; only a lasting silence is worth a word.
        readinessCheck_.start();
        break;
    case music::OpenOutcome::SilentInstruments:
        ReportSilence(music::MidiOut::Readiness::SilentInstruments);
        break;
    }
    if (!pieceOutput_)
        pieceOutput_ = &output_;
    for (const music::MidiMessage& message : music::PieceStartMessages(settings))
        pieceOutput_->Send(message);
    playing_ = true;
    pieceStep_ = std::chrono::microseconds(music::StepMicroseconds(settings));
    // MIDI clock goes to another program's port only; the built-in synthesizer takes none.
    SyncCoordinator::ClockOut clockOut;
    if (pieceOutput_ != &output_)
        clockOut = [output = pieceOutput_](const music::MidiMessage& message) { output->Send(message); };
    if (sync_.Start(settings, std::move(clockOut)))
        return;
    timer_.SetInterval(std::chrono::microseconds(music::StepMicroseconds(settings)));
    timer_.SetEnabled(true);
}

music::Sequencer::Step PiecePerformer::Step()
{
    music::Sequencer::Step step = sequencer_.Tick();
    Send(step.messages);
    return step;
}

void PiecePerformer::Send(const std::vector<music::MidiMessage>& messages)
{
    for (const music::MidiMessage& message : messages)
        pieceOutput_->Send(message);
}

void PiecePerformer::Pause()
{
    if (!playing_ || sequencer_.Paused())
        return;
    timer_.Pause();
    steppedWhilePaused_ = false;
    Send(sequencer_.Pause());
}

// A step still sounding is let go by the first tick, which strikes afresh.
void PiecePerformer::Resume()
{
    if (!playing_ || !sequencer_.Paused())
        return;
    stepRelease_.stop();
    sequencer_.Resume();
    timer_.Resume(steppedWhilePaused_);
}

bool PiecePerformer::StepBy(int by)
{
    if (!playing_ || !sequencer_.Paused())
        return false;
    const int before = sequencer_.Position();
    Send(sequencer_.StepBy(by));
    if (sequencer_.Position() == before)
        return false;
    steppedWhilePaused_ = true;
    stepRelease_.start(std::chrono::duration_cast<std::chrono::milliseconds>(pieceStep_));
    return true;
}

// The reset inside the close silences whatever still sounds; no note-offs are sent.
void PiecePerformer::End()
{
    playing_ = false;
    timer_.SetEnabled(false);
    sync_.Stop();
    stepRelease_.stop();
    readinessCheck_.stop();
    music::MidiOut& played = pieceOutput_ ? *pieceOutput_ : output_;
    if (&played == external_.get() && KeepsOwnPortOpen())
        played.SilenceAll();
    else if (&played == external_.get())
        CloseExternalOutput();
    else
        music::CloseOutput(played);
    // Chosen while the piece played, the own port opens now.
    if (KeepsOwnPortOpen() && (!external_ || externalChoice_ != outputChoice_))
        OpenExternalOutput(false);
}

void PiecePerformer::Shutdown()
{
    playing_ = false;
    timer_.SetEnabled(false);
    sync_.Stop();
    stepRelease_.stop();
    readinessCheck_.stop();
    music::CloseOutput(output_);
    CloseExternalOutput();
}

void PiecePerformer::CloseExternalOutput()
{
    if (external_)
        music::CloseOutput(*external_);
    externalOpen_ = false;
}

QString PiecePerformer::NoSoundSourceMessage() const
{
    // The Japanese text names no path; an argument it lacks must not be filled in.
    QString text = tr("No sound: no SoundFont was found at %1. Install the Debian package fluid-soundfont-gm to "
                      "hear the pieces; until then they play silently.");
    if (text.contains(QLatin1String("%1")))
        text = text.arg(QString::fromStdString(output_.SoundSource()));
    return text;
}

void PiecePerformer::CheckReadiness()
{
    if (playing_)
        ReportSilence(output_.CurrentReadiness());
}

void PiecePerformer::ReportSilence(music::MidiOut::Readiness readiness)
{
    switch (readiness) {
    case music::MidiOut::Readiness::Sounding:
        break;
    case music::MidiOut::Readiness::Preparing:
        tell_(tr("The sound is not ready yet (the SoundFont is still loading, or the sound "
                 "output is starting). The piece plays on and sounds as soon as it is ready."));
        break;
    case music::MidiOut::Readiness::NoSound:
        tell_(tr("No sound: the sound output could not be started (no sound server or sound card "
                 "answered), so the piece plays silently."));
        break;
    case music::MidiOut::Readiness::SilentInstruments:
        tell_(tr("The SoundFont loaded, but its instruments make no sound, "
                 "so the piece plays silently."));
        break;
    }
}

void PiecePerformer::SetOutputChoice(const OutputChoice& choice)
{
    if (choice == outputChoice_)
        return;
    outputChoice_ = choice;
    // A piece that plays keeps its output; the next one opens the new choice.
    if (playing_)
        return;
    CloseExternalOutput();
    external_.reset();
    if (KeepsOwnPortOpen())
        OpenExternalOutput(false);
}

QString PiecePerformer::PlaysOn() const
{
    if (pieceOutput_ && pieceOutput_ == external_.get())
        return tr("on the MIDI port %1").arg(QString::fromStdString(external_->SoundSource()));
    return tr("on the built-in synthesizer");
}

music::SettingsFault PiecePerformer::SetMusicSettings(const music::MusicSettings& settings)
{
    const music::SettingsFault fault = music::CheckSettings(settings);
    if (fault == music::SettingsFault::None) {
        settings_ = settings;
        sync_.SetTempo(settings.tempo);
    }
    return fault;
}

std::string PiecePerformer::SoundFontPath() const
{
    const std::string source = output_.SoundSource();
    return source.empty() ? std::string(music::DefaultSoundFontPath) : source;
}

// The chosen output to another program, open; nothing for the built-in
// synthesizer, or when the port cannot be reached, which the user is told
// when a piece is to play on it.
ExternalOutput* PiecePerformer::OpenExternalOutput(bool forPiece)
{
    if (outputChoice_.kind == OutputChoice::Kind::BuiltIn)
        return nullptr;
    if (!external_ || externalChoice_ != outputChoice_) {
        CloseExternalOutput();
        external_ = makeExternal_ ? makeExternal_(outputChoice_) : nullptr;
        externalChoice_ = outputChoice_;
    }
    if (external_ && (externalOpen_ || music::OpenOutput(*external_) == music::OpenOutcome::Opened)) {
        externalOpen_ = true;
        return external_.get();
    }
    if (!forPiece)
        return nullptr;
    const QString name = outputChoice_.kind == OutputChoice::Kind::Port ? QString::fromStdString(outputChoice_.port)
                                                                        : QString::fromLatin1(music::VirtualPortName);
    tell_(tr("The MIDI output %1 cannot be reached, so this piece plays on the built-in "
             "synthesizer.")
              .arg(name));
    return nullptr;
}

// Told after the tick has returned: a modal message shown inside a tick
// would hold back the timer's next one, and the piece with it.
void PiecePerformer::ReportLostPort()
{
    if (!external_ || pieceOutput_ != external_.get() || !external_->TakePortLost())
        return;
    const QString text = tr("The MIDI port %1 went away. The piece plays on silently; the next piece plays on "
                            "the built-in synthesizer unless the port is back.")
                             .arg(QString::fromStdString(external_->SoundSource()));
    QTimer::singleShot(0, &readinessCheck_, [this, text] { tell_(text); });
}
