#pragma once

#include <functional>

class DrawArea;
class MusicTimer;
class ProgressBar;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace toolkit {

// The widgets behind the toolkit operations, handed over by the window that owns them.
struct Controls
{
    QPushButton* draw = nullptr;
    QPushButton* mangify = nullptr;
    QPushButton* trace = nullptr;
    QPushButton* compose = nullptr;
    QPushButton* stopMusic = nullptr;
    QPushButton* quit = nullptr;
    DrawArea* drawArea = nullptr;
    ProgressBar* progress = nullptr;
    QLineEdit* length = nullptr;
    QComboBox* seido = nullptr;
    MusicTimer* musicTimer = nullptr;
    std::function<void()> unload;
};

void Bind(const Controls& controls);
void Unbind();

} // namespace toolkit
