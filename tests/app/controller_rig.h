#pragma once

#include "controller.h"
#include "recording_midi_out.h"
#include "test_render_runner.h"

#include <QObject>
#include <QString>

#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace music {
// A failed comparison shows each message as its three bytes.
inline void PrintTo(const MidiMessage& message, std::ostream* out)
{
    *out << '{' << std::hex << "0x" << int(message.status) << std::dec << ", " << int(message.data1) << ", "
         << int(message.data2) << '}';
}
} // namespace music

inline void PrintTo(State state, std::ostream* out)
{
    static const char* const names[] = {"Ready",         "Drawn",       "CornerSet", "Traced", "TracedCornerSet",
                                        "ChoosingStart", "StartMissed", "Playing",   "Played", "Rendering"};
    const auto index = static_cast<std::size_t>(state);
    *out << (index < std::size(names) ? names[index] : "") << " (state " << index << ')';
}

namespace app_test {

// The texts the controller asks the window to show, as the source spells them.
inline const QString MagnifyHint = QStringLiteral("Click two corners to magnify, or drag a box over the area; the wheel zooms in and out about the pointer.");
inline const QString AskForStartPoint = QStringLiteral("Please, click a point on the outline!");
inline const QString NotOnOutline = QStringLiteral("Clicked point is not on the outline!");
inline const QString WalkFailed = QStringLiteral(
    "The walk ran out of outline before the piece was complete. Click another point on the outline, or draw a new "
    "picture.");
inline const QString NoMidiDevice = QStringLiteral(
    "No sound: no SoundFont was found at recorder.sf2. Install the Debian package fluid-soundfont-gm to hear the pieces; until "
    "then they play silently.");
inline const QString MidiDeviceRefused = QStringLiteral(
    "No sound: the sound output could not be started (no sound server or sound card answered), so the piece plays "
    "silently.");

constexpr fractal::Colour Black = 0x00000000;
constexpr fractal::Colour Red = 0x000000FF;
constexpr fractal::Colour Blue = 0x00FF0000;
constexpr fractal::Colour White = 0x00FFFFFF;

// What the window offers, in the words of its buttons and menus.
inline std::string OfferedNames(const Commands& offered)
{
    std::string names;
    const auto add = [&names](bool on, const char* name) {
        if (!on)
            return;
        if (!names.empty())
            names += ' ';
        names += name;
    };
    add(offered.draw, "Draw");
    add(offered.magnify, "Magnify");
    add(offered.back, "Back");
    add(offered.redraw, "Redraw");
    add(offered.cancel, "Cancel");
    add(offered.trace, "Trace");
    add(offered.compose, "Compose");
    add(offered.stopMusic, "Stop");
    add(offered.savePicture, "SavePicture");
    add(offered.exportMelody, "ExportMelody");
    add(offered.pause, "Pause");
    add(offered.step, "Step");
    return names;
}

// A controller playing into a recording MIDI output, keeping every message
// it asked the window to show as if the user closed each at once.
struct ControllerRig
{
    RecordingMidiOut output;
    TestRenderRunner renderer;
    Controller controller{output, renderer};
    std::vector<QString> messages;

    ControllerRig()
    {
        QObject::connect(&controller, &Controller::messageRequested,
                         [this](const QString& text) { messages.push_back(text); });
    }

    std::string Offered() const { return OfferedNames(controller.Offered()); }

    // The lowest accuracy draws fastest, and every accuracy gives the same frame.
    void DrawAndTrace(int accuracy = 0)
    {
        controller.SetAccuracy(accuracy);
        controller.Draw();
        controller.Trace();
    }

    // Every escaping cell on the picture's edge is outline, so the whole view's
    // outline runs round its frame. A walk of 8 from (398, 0) steps right once,
    // then down the right edge: E5, then G5 eight times.
    void StartPiece()
    {
        controller.SetLengthText(QStringLiteral("8"));
        DrawAndTrace();
        controller.Compose();
        controller.Press(398, 0);
    }

    // Ticks until the piece has ended by itself.
    void PlayToEnd()
    {
        while (controller.CurrentState() == State::Playing)
            controller.Tick();
    }
};

} // namespace app_test
