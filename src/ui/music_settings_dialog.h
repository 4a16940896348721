#pragma once

#include "music_settings.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QSpinBox;

// The musical settings in one small dialog: the tempo as the step length
// (also shown as beats a minute), the key, the scale, and each voice's
// instrument and volume.
class MusicSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MusicSettingsDialog(const music::MusicSettings& settings, QWidget* parent = nullptr);

    music::MusicSettings Settings() const;

    QSpinBox* StepBox() const { return step_; }
    QComboBox* KeyList() const { return key_; }
    QComboBox* ScaleList() const { return scale_; }
    QComboBox* MelodyProgramList() const { return melodyProgram_; }
    QComboBox* ChordProgramList() const { return chordProgram_; }
    QSpinBox* MelodyVelocityBox() const { return melodyVelocity_; }
    QSpinBox* ChordVelocityBox() const { return chordVelocity_; }

private:
    void ShowBeats(int stepMilliseconds);

    QSpinBox* step_ = nullptr;
    QLabel* beats_ = nullptr;
    QComboBox* key_ = nullptr;
    QComboBox* scale_ = nullptr;
    QComboBox* melodyProgram_ = nullptr;
    QComboBox* chordProgram_ = nullptr;
    QSpinBox* melodyVelocity_ = nullptr;
    QSpinBox* chordVelocity_ = nullptr;
};
