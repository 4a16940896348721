#include "music_settings_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

namespace {

constexpr int TempoDecimals = 2;

// The note values' names for the user, by their music::StepNote value.
constexpr std::array<const char*, music::StepNotes.size()> StepNoteNames{
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Quarter note (1/4)"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Eighth note (1/8)"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Eighth-note triplet (1/8T)"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Sixteenth note (1/16)"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Sixteenth-note triplet (1/16T)"),
    QT_TRANSLATE_NOOP("MusicSettingsDialog", "Thirty-second note (1/32)"),
};

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
    stepNote_ = new QComboBox;
    for (std::size_t i = 0; i < music::StepNotes.size(); ++i) {
        stepNote_->addItem(tr(StepNoteNames[static_cast<std::size_t>(music::StepNotes[i].note)]));
        if (music::StepNotes[i].note == settings.stepNote)
            stepNote_->setCurrentIndex(static_cast<int>(i));
    }
    tempo_ = new QDoubleSpinBox;
    tempo_->setDecimals(TempoDecimals);
    tempo_->setSuffix(tr(" beats a minute"));
    const music::TempoRange range = music::TempoRangeFor(ChosenStepNote());
    tempo_->setRange(range.minimum, range.maximum);
    tempo_->setValue(settings.tempo);
    openedTempo_ = settings.tempo;
    shownTempo_ = tempo_->value();
    stepLength_ = new QLabel;
    ShowStep();
    // Each note value allows the tempi that keep a step within 50..1000 ms.
    connect(stepNote_, &QComboBox::currentIndexChanged, this, [this] {
        const music::TempoRange allowed = music::TempoRangeFor(ChosenStepNote());
        tempo_->setRange(allowed.minimum, allowed.maximum);
        ShowStep();
    });
    connect(tempo_, &QDoubleSpinBox::valueChanged, this, &MusicSettingsDialog::ShowStep);
    auto* step = new QHBoxLayout;
    step->addWidget(stepNote_);
    step->addWidget(stepLength_);

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
    form->addRow(tr("Tempo"), tempo_);
    form->addRow(tr("Step"), step);
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

music::StepNote MusicSettingsDialog::ChosenStepNote() const
{
    return music::StepNotes[static_cast<std::size_t>(stepNote_->currentIndex())].note;
}

double MusicSettingsDialog::ChosenTempo() const
{
    return tempo_->value() == shownTempo_ ? openedTempo_ : tempo_->value();
}

void MusicSettingsDialog::ShowStep()
{
    const auto microseconds = static_cast<double>(music::StepMicroseconds(ChosenTempo(), ChosenStepNote()));
    stepLength_->setText(tr("%1 ms a step").arg(QLocale().toString(microseconds / 1000, 'f', 1)));
}

music::MusicSettings MusicSettingsDialog::Settings() const
{
    return {
        .tempo = ChosenTempo(),
        .stepNote = ChosenStepNote(),
        .key = key_->currentIndex(),
        .scale = music::Scales[static_cast<std::size_t>(scale_->currentIndex())].scale,
        .melodyProgram = melodyProgram_->currentIndex(),
        .chordProgram = chordProgram_->currentIndex(),
        .melodyVelocity = melodyVelocity_->value(),
        .chordVelocity = chordVelocity_->value(),
    };
}
