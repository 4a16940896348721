#pragma once

#include "main_form.h"
#include "toolkit.h"

#include <QPoint>
#include <QString>

#include <memory>
#include <string>
#include <vector>

// The real window on the offscreen platform, shown so the picture and the
// progress bar repaint as they would on a screen. Message boxes are answered
// at once and their texts kept, so no handler waits for a user.
class BenchWindow
{
public:
    BenchWindow();
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    MainForm& Form() { return *form_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    bool ShowedMessage(const std::string& text) const;

    void SelectSeido(int index);
    void SetLength(const QString& text);
    void DrawAndTrace(int seidoIndex);
    void ClickCompose();
    // A press and release on the picture, through the widget's own handler;
    // returns once the press handler has.
    void PressAt(QPoint point);
    // Lets queued events (paints, timers) run for the time given.
    void Wait(int milliseconds);

private:
    std::vector<std::string> messages_;
    toolkit::MessageHandler previous_;
    std::unique_ptr<MainForm> form_;
};
