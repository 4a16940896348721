#pragma once

// Independent oracles for tests that follow a whole session: the outline of
// a picture, the start point a press picks, the walk, the MIDI stream a
// melody plays, and which notes a stream of MIDI calls leaves sounding.
// Written from the program's description, not from its sources, so a test
// can say what the program ought to have done.

#include "grid.h"
#include "midi_message.h"
#include "recording_midi_out.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

namespace reference {

inline constexpr std::int32_t White = 0x00FFFFFF;
inline constexpr int Side = 400;

// The escaped cells (colour not 0) that have both escaped and non-escaped
// cells among their eight neighbours; a neighbour off the picture is non-escaped.
fractal::OutlineGrid OutlineOf(const fractal::ColourGrid& colours, int side = Side);

// The marked cell a press at (x, y) starts from: the pressed cell, then its
// left, upper, upper-left, right, lower and lower-right neighbours, each
// position rounded half to even in single precision. A neighbour is only
// tried while the pressed position lies inside the picture on that side.
std::optional<fractal::Cell> StartCell(const fractal::OutlineGrid& outline, float x, float y, int side = Side);

struct Walk
{
    bool completed = false;
    // One per step, unbounded: a dead end adds 4 to the direction it reverses.
    std::vector<int> directions;
    // The cell stood on at every step, repeats included.
    std::vector<fractal::Cell> visited;
};

// Follows the outline from start for length + 1 steps: the search for the
// next marked neighbour turns clockwise from the current direction; with
// none, the walk turns round and steps back, failing once it is back at
// its start with nowhere to go. Each cell stood on is erased.
Walk WalkFrom(const fractal::OutlineGrid& outline, fractal::Cell start, int length, int side = Side);

// The outline with every cell the walk stood on erased.
fractal::OutlineGrid AfterWalk(fractal::OutlineGrid outline, const Walk& walk);

// How the program stores a direction as a byte: large ones stop at 255.
std::uint8_t StoredByte(int direction);
// C major from C5 up for the directions 0..7, C5 for anything else.
std::uint8_t NoteOf(int direction);
std::vector<std::uint8_t> MelodyOf(const std::vector<int>& directions);

// The program changes every piece sends before its first tick.
std::vector<music::MidiMessage> Instruments();

// What each tick of a melody sends, tick k at index k - 1, for k = 1 to
// size + 1; the last is the tick that ends the piece and sends nothing.
std::vector<std::vector<music::MidiMessage>> TickMessages(const std::vector<std::uint8_t>& melody);

// One call on the MIDI output, as the test compares it.
struct Call
{
    RecordingMidiOut::Kind kind;
    music::MidiMessage message{};  // for Send
    bool accepted = true;

    friend bool operator==(const Call&, const Call&) = default;
};

std::vector<Call> CallsOf(const std::vector<RecordingMidiOut::Call>& calls, std::size_t from = 0);

// Every call of a piece on an output that opens: the device query, the
// open, the instruments, the messages of the first `ticks` ticks, then
// silence and close. A piece that ends by itself has size + 1 ticks.
std::vector<Call> PieceCalls(const std::vector<std::uint8_t>& melody, int ticks);

// Names a call in a failed comparison.
void PrintTo(const Call& call, std::ostream* out);

// Which notes sound after the calls heard so far: a note-on with a velocity
// strikes a note of its channel, a note-off or a note-on without velocity
// releases it, silencing releases all. Calls the output refused are not heard.
class SoundingNotes
{
public:
    using Note = std::pair<int, int>;  // channel, note number

    void Hear(const RecordingMidiOut::Call& call);
    void HearAll(const std::vector<RecordingMidiOut::Call>& calls, std::size_t from = 0);

    const std::set<Note>& Now() const { return sounding_; }
    // Notes that were still sounding when an output was closed.
    const std::vector<Note>& LeftAtClose() const { return leftAtClose_; }

private:
    std::set<Note> sounding_;
    std::vector<Note> leftAtClose_;
};

} // namespace reference
