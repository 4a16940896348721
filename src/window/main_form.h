#pragma once

#include <QWidget>

class DrawArea;
class MusicTimer;
class ProgressBar;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The program's only window: its controls at their designed places, and the
// routing of every click, press, move and timer tick to its handler.
class MainForm : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 578;
    static constexpr int ClientHeight = 497;

    explicit MainForm(QWidget* parent = nullptr);
    ~MainForm() override;

    QPushButton* Trace() const { return trace_; }
    DrawArea* Area() const { return drawArea_; }
    QPushButton* Draw() const { return draw_; }
    ProgressBar* Progress() const { return progress_; }
    QComboBox* Seido() const { return seido_; }
    QLabel* Accuracy() const { return accuracy_; }
    QPushButton* Compose() const { return compose_; }
    QPushButton* Mangify() const { return mangify_; }
    QPushButton* StopMusic() const { return stopMusic_; }
    QPushButton* Quit() const { return quit_; }
    QLabel* LengthTxt() const { return lengthTxt_; }
    QLineEdit* Length() const { return length_; }
    MusicTimer* Timer() const { return musicTimer_; }
    bool IsUnloaded() const { return unloaded_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void RouteEvents();
    void StartUp();
    void DrawAreaPressed(float x, float y);
    void Unload();

    QPushButton* trace_ = nullptr;
    DrawArea* drawArea_ = nullptr;
    QPushButton* draw_ = nullptr;
    ProgressBar* progress_ = nullptr;
    QComboBox* seido_ = nullptr;
    QLabel* accuracy_ = nullptr;
    QPushButton* compose_ = nullptr;
    QPushButton* mangify_ = nullptr;
    QPushButton* stopMusic_ = nullptr;
    QPushButton* quit_ = nullptr;
    QLabel* lengthTxt_ = nullptr;
    QLineEdit* length_ = nullptr;
    MusicTimer* musicTimer_ = nullptr;
    bool unloaded_ = false;
};
