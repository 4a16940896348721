#pragma once

#include "controller.h"
#include "repaint_throttle.h"

#include <QWidget>

class DirectionLegend;
class PictureView;
class ProgressBar;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;

// The window's client area as designed: the buttons, the accuracy list and
// the Length box at their designed places, top to bottom in the tab order,
// and the picture with the progress bar above it, which grow with the
// window; the status line and the view readout below. It only shows; the
// main window connects its controls to the controller.
class ClientArea : public QWidget
{
    Q_OBJECT

public:
    // The designed size, at which the picture shows one cell a point; the
    // area never gets smaller, and is wider where the accuracy list needs it.
    static constexpr int Width = 578;
    static constexpr int Height = 497;
    // The accuracy list's entry for iterations no other entry gives; the
    // controller keeps the iterations in force for it.
    static constexpr int CustomAccuracy = Controller::AccuracyCount;

    // Becomes the window's central widget at its designed size, and puts the
    // status line and the readout in the window's status bar.
    ClientArea(const Controller& controller, QMainWindow& window);

    QSize sizeHint() const override { return minimumSize(); }

    // Enables each button as the controller offers it; Quit always is. A
    // button that loses the focus so hands it to the picture, not to the
    // next button (which could be Quit).
    void ShowCommands(const Commands& offered);
    // The bar shows the value with the caption saying what it follows
    // ("Drawing %p%"); without a caption it is hidden.
    void ShowProgress(const QString& caption, float value);
    // Selects the entry that gives the iterations in force, else a Custom
    // entry naming them; Automatic stays while it gives them.
    void ShowIterationsInForce(int iterations, int automaticIterations);

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
    DirectionLegend* Legend() const { return legend_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls(const Controller& controller);
    void FillAccuracyList();
    void SetToolTips();
    void SetTabOrder();
    void CreateStatusLines(const Controller& controller, QMainWindow& window);
    // The accuracy list's width for its longest entry, a Custom one included.
    int AccuracyListWidth() const;
    QString CustomAccuracyText(int iterations) const;
    void PlacePictureAndProgress();

    // How far the picture's column moves right to make room for the accuracy list.
    int pictureShift_ = 0;

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
    DirectionLegend* legend_ = nullptr;
};
