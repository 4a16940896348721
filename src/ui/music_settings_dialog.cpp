#include "music_settings_dialog.h"

#include "midi_file.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

namespace {

constexpr int MillisecondsPerMinute = 60'000;

// The scales' names for the user, by their music::Scale value.
constexpr std::array<const char*, music::Scales.size()> ScaleNames{
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Major"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Natural minor"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Harmonic minor"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Dorian"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Mixolydian"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Major pentatonic"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Minor pentatonic"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Blues"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Whole tone"),
};

QString FromView(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The General MIDI names as synthesizers show them, numbered from 1.
QComboBox* MakeProgramList(int program)
{
    auto* list = new QComboBox;
    for (int i = 0; i < music::ProgramCount; ++i)
        list->addItem(QStringLiteral("%1 %2").arg(i + 1).arg(FromView(music::GeneralMidiProgramNames[std::size_t(i)])));
    list->setCurrentIndex(program);
    return list;
}

QSpinBox* MakeVelocityBox(int velocity)
{
    auto* box = new QSpinBox;
    box->setRange(music::MinVelocity, music::MaxVelocity);
    box->setValue(velocity);
    return box;
}

} // namespace

MusicSettingsDialog::MusicSettingsDialog(const music::MusicSettings& settings, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Music Settings"));
    step_ = new QSpinBox;
    step_->setRange(music::MinStepMilliseconds, music::MaxStepMilliseconds);
    step_->setSuffix(tr(" ms"));
    step_->setValue(settings.stepMilliseconds);
    beats_ = new QLabel;
    ShowBeats(settings.stepMilliseconds);
    connect(step_, &QSpinBox::valueChanged, this, &MusicSettingsDialog::ShowBeats);
    auto* tempo = new QHBoxLayout;
    tempo->addWidget(step_);
    tempo->addWidget(beats_);

    key_ = new QComboBox;
    for (const std::string_view name : music::KeyNames)
        key_->addItem(FromView(name));
    key_->setCurrentIndex(settings.key);
    scale_ = new QComboBox;
    for (std::size_t i = 0; i < music::Scales.size(); ++i) {
        scale_->addItem(tr(ScaleNames[static_cast<std::size_t>(music::Scales[i].scale)]));
        if (music::Scales[i].scale == settings.scale)
            scale_->setCurrentIndex(static_cast<int>(i));
    }
    melodyProgram_ = MakeProgramList(settings.melodyProgram);
    chordProgram_ = MakeProgramList(settings.chordProgram);
    melodyVelocity_ = MakeVelocityBox(settings.melodyVelocity);
    chordVelocity_ = MakeVelocityBox(settings.chordVelocity);

    auto* form = new QFormLayout;
    form->addRow(tr("Step length"), tempo);
    form->addRow(tr("Key"), key_);
    form->addRow(tr("Scale"), scale_);
    form->addRow(tr("Melody instrument"), melodyProgram_);
    form->addRow(tr("Melody volume"), melodyVelocity_);
    form->addRow(tr("Chord instrument"), chordProgram_);
    form->addRow(tr("Chord volume"), chordVelocity_);
    auto* note = new QLabel(tr("A change takes effect with the next piece."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

void MusicSettingsDialog::ShowBeats(int stepMilliseconds)
{
    // The tempo the MIDI export and any DAW show: 120 at 200 ms a step.
    const double beatMilliseconds = stepMilliseconds * music::StepsPerBeat;
    beats_->setText(tr("%1 beats a minute").arg(QLocale().toString(MillisecondsPerMinute / beatMilliseconds, 'g', 4)));
}

music::MusicSettings MusicSettingsDialog::Settings() const
{
    return {
        .stepMilliseconds = step_->value(),
        .key = key_->currentIndex(),
        .scale = music::Scales[static_cast<std::size_t>(scale_->currentIndex())].scale,
        .melodyProgram = melodyProgram_->currentIndex(),
        .chordProgram = chordProgram_->currentIndex(),
        .melodyVelocity = melodyVelocity_->value(),
        .chordVelocity = chordVelocity_->value(),
    };
}
