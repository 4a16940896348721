#pragma once

#include "music_settings.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

// The musical settings in one small dialog: the tempo in beats a minute and
// the note value of a step (with the step's length shown beside them), the
// key, the scale, and each voice's instrument and volume.
class MusicSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MusicSettingsDialog(const music::MusicSettings& settings, QWidget* parent = nullptr);

    music::MusicSettings Settings() const;

    QDoubleSpinBox* TempoBox() const { return tempo_; }
    QComboBox* StepNoteList() const { return stepNote_; }
    QComboBox* KeyList() const { return key_; }
    QComboBox* ScaleList() const { return scale_; }
    QComboBox* MelodyProgramList() const { return melodyProgram_; }
    QComboBox* ChordProgramList() const { return chordProgram_; }
    QSpinBox* MelodyVelocityBox() const { return melodyVelocity_; }
    QSpinBox* ChordVelocityBox() const { return chordVelocity_; }

private:
    double ChosenTempo() const;
    music::StepNote ChosenStepNote() const;
    void ShowStep();

    QDoubleSpinBox* tempo_ = nullptr;
    QComboBox* stepNote_ = nullptr;
    QLabel* stepLength_ = nullptr;
    // The tempo the dialog opened with, and as its box shows it: a tempo
    // with more decimals than the box keeps is not rounded unless changed.
    double openedTempo_ = 0;
    double shownTempo_ = 0;
    QComboBox* key_ = nullptr;
    QComboBox* scale_ = nullptr;
    QComboBox* melodyProgram_ = nullptr;
    QComboBox* chordProgram_ = nullptr;
    QSpinBox* melodyVelocity_ = nullptr;
    QSpinBox* chordVelocity_ = nullptr;
};
