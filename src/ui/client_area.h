#pragma once

#include "repaint_throttle.h"

#include <QWidget>

class Controller;
class PictureView;
class ProgressBar;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
struct Commands;

// The window's client area as designed: the buttons, the accuracy list, the
// Length box, the picture and the progress bar at their fixed places and in
// the designed tab order, with the status line and the view readout below.
// It only shows; the main window connects its controls to the controller.
class ClientArea : public QWidget
{
    Q_OBJECT

public:
    static constexpr int Width = 578;
    static constexpr int Height = 497;

    // Becomes the window's central widget at its fixed size, and puts the
    // status line and the readout in the window's status bar.
    ClientArea(const Controller& controller, QMainWindow& window);

    // Enables each button as the controller offers it; Quit always is.
    void ShowCommands(const Commands& offered);

    QPushButton* DrawButton() const { return draw_; }
    QPushButton* MagnifyButton() const { return magnify_; }
    QPushButton* TraceButton() const { return trace_; }
    QPushButton* ComposeButton() const { return compose_; }
    QPushButton* StopMusicButton() const { return stopMusic_; }
    QPushButton* QuitButton() const { return quit_; }
    QLabel* AccuracyLabel() const { return accuracyLabel_; }
    QComboBox* AccuracyList() const { return accuracy_; }
    QLabel* LengthLabel() const { return lengthLabel_; }
    QLineEdit* LengthBox() const { return length_; }
    PictureView* PictureArea() const { return picture_; }
    ProgressBar* Progress() const { return progress_; }
    QLabel* StatusLine() const { return status_; }
    QLabel* ViewReadout() const { return readout_; }

private:
    void CreateControls(const Controller& controller);
    void FillAccuracyList();
    void SetToolTips();
    void CreateStatusLines(const Controller& controller, QMainWindow& window);

    RepaintThrottle throttle_;
    QPushButton* trace_ = nullptr;
    PictureView* picture_ = nullptr;
    QPushButton* draw_ = nullptr;
    ProgressBar* progress_ = nullptr;
    QComboBox* accuracy_ = nullptr;
    QLabel* accuracyLabel_ = nullptr;
    QPushButton* compose_ = nullptr;
    QPushButton* magnify_ = nullptr;
    QPushButton* stopMusic_ = nullptr;
    QPushButton* quit_ = nullptr;
    QLabel* lengthLabel_ = nullptr;
    QLineEdit* length_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* readout_ = nullptr;
};
