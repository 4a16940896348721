#pragma once

#include "controller.h"
#include "recording_midi_out.h"

#include <QString>

#include <memory>
#include <vector>

class MainWindow;

// A whole program for tests and benchmarks: a recorder as the MIDI output,
// the controller, and, when asked for, the real window on top of it.
// Messages are recorded and return at once, as if the user pressed OK.
class Session
{
public:
    enum class WithWindow { No, Yes };

    explicit Session(WithWindow withWindow = WithWindow::No);
    ~Session();

    RecordingMidiOut output;
    // Renders at once, so a test reads the picture straight after Draw.
    ImmediateRenderRunner renderer;
    Controller controller{output, renderer};
    std::vector<QString> messages;

    // Only with WithWindow::Yes.
    MainWindow& Window() const { return *window_; }

    // The usual way to an outline: Draw at the accuracy given, then Trace.
    void DrawAndTrace(int accuracy = 1);
    // Compose, then a press at (x, y): the walk starts there when it can.
    void ComposeAt(float x, float y);

private:
    std::unique_ptr<MainWindow> window_;
};
