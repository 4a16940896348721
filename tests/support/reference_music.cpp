#include "reference_music.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace reference {
namespace {

using fractal::Cell;
using music::MidiMessage;

bool OnPicture(int x, int y, int side)
{
    return x >= 0 && y >= 0 && x < side && y < side;
}

// Clockwise on the screen from straight up; y grows downward.
constexpr std::array<Cell, 8> Compass{{{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}}};

// The diatonic triads of C major on each degree, by the root byte mod 8.
// The seventh is G major voiced from B4; the eighth repeats C major.
constexpr std::array<std::array<std::uint8_t, 3>, 8> Triads{{
    {60, 64, 67}, {62, 65, 69}, {64, 67, 71}, {65, 69, 72},
    {67, 71, 74}, {69, 72, 76}, {71, 74, 67}, {60, 64, 67},
}};

constexpr std::uint8_t MelodyChannel = 0;
constexpr std::uint8_t ChordChannel = 1;

MidiMessage On(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel)
{
    return {static_cast<std::uint8_t>(0x90 | channel), note, velocity};
}

MidiMessage Off(std::uint8_t note, std::uint8_t channel)
{
    return {static_cast<std::uint8_t>(0x80 | channel), note, 0};
}

} // namespace

fractal::OutlineGrid OutlineOf(const fractal::ColourGrid& colours, int side)
{
    auto escaped = [&](int x, int y) { return OnPicture(x, y, side) && colours.At(x, y) != 0; };
    fractal::OutlineGrid outline(side);
    for (int x = 0; x < side; ++x) {
        for (int y = 0; y < side; ++y) {
            if (!escaped(x, y))
                continue;
            bool someEscaped = false;
            bool someInside = false;
            for (const Cell step : Compass) {
                (escaped(x + step.x, y + step.y) ? someEscaped : someInside) = true;
            }
            if (someEscaped && someInside)
                outline.Set(x, y, White);
        }
    }
    return outline;
}

std::optional<Cell> StartCell(const fractal::OutlineGrid& outline, float x, float y, int cells)
{
    const auto side = static_cast<float>(cells);
    const bool left = x > 0;
    const bool up = y > 0;
    const bool right = x + 1.0f < side;
    const bool down = y + 1.0f < side;
    struct Try
    {
        bool allowed;
        float x;
        float y;
    };
    const Try tries[] = {
        {true, x, y},
        {left, x - 1.0f, y},
        {up, x, y - 1.0f},
        {left && up, x - 1.0f, y - 1.0f},
        {right, x + 1.0f, y},
        {down, x, y + 1.0f},
        {right && down, x + 1.0f, y + 1.0f},
    };
    for (const Try& t : tries) {
        if (!t.allowed)
            continue;
        // The default rounding mode rounds halves to even.
        const float cx = std::nearbyint(t.x);
        const float cy = std::nearbyint(t.y);
        if (cx >= 0 && cy >= 0 && cx < side && cy < side) {
            const Cell cell{static_cast<int>(cx), static_cast<int>(cy)};
            if (outline.At(cell.x, cell.y) == White)
                return cell;
        }
    }
    return std::nullopt;
}

Walk WalkFrom(const fractal::OutlineGrid& outline, Cell start, int length, int side)
{
    std::vector<bool> marked(static_cast<std::size_t>(side * side));
    auto index = [side](Cell c) { return static_cast<std::size_t>(c.y * side + c.x); };
    for (int x = 0; x < side; ++x) {
        for (int y = 0; y < side; ++y)
            marked[index({x, y})] = outline.At(x, y) == White;
    }

    Walk walk;
    std::vector<Cell> trail{start};
    int heading = 0;    // the direction of the last move
    int reversals = 0;  // dead ends met since that move
    for (int step = 0; step <= length; ++step) {
        const Cell here = trail.back();
        marked[index(here)] = false;
        walk.visited.push_back(here);

        std::optional<int> way;
        const int from = heading + 4 * reversals;
        for (int turn = 0; turn < 8 && !way; ++turn) {
            const int d = (from + turn) % 8;
            const Cell next{here.x + Compass[d].x, here.y + Compass[d].y};
            if (OnPicture(next.x, next.y, side) && marked[index(next)])
                way = d;
        }
        if (way) {
            heading = *way;
            reversals = 0;
            trail.push_back({here.x + Compass[heading].x, here.y + Compass[heading].y});
        } else {
            ++reversals;
            if (trail.size() == 1)
                return walk;
            trail.pop_back();
        }
        walk.directions.push_back(heading + 4 * reversals);
    }
    walk.completed = true;
    return walk;
}

fractal::OutlineGrid AfterWalk(fractal::OutlineGrid outline, const Walk& walk)
{
    for (const Cell cell : walk.visited)
        outline.Set(cell.x, cell.y, 0);
    return outline;
}

std::uint8_t StoredByte(int direction)
{
    return static_cast<std::uint8_t>(std::min(direction, 255));
}

std::uint8_t NoteOf(int direction)
{
    static constexpr std::uint8_t Scale[8] = {72, 74, 76, 77, 79, 81, 83, 84};
    return direction >= 0 && direction < 8 ? Scale[direction] : 72;
}

std::vector<std::uint8_t> MelodyOf(const std::vector<int>& directions)
{
    std::vector<std::uint8_t> notes;
    for (const int d : directions)
        notes.push_back(NoteOf(d));
    return notes;
}

std::vector<MidiMessage> Instruments()
{
    return {{0xC0 | MelodyChannel, 88, 0}, {0xC0 | ChordChannel, 46, 0}};
}

// Tick k moves the play position from byte k - 1 to byte k. Byte 0 is only
// a predecessor: it is never reached, so never struck.
std::vector<std::vector<MidiMessage>> TickMessages(const std::vector<std::uint8_t>& melody)
{
    const int size = static_cast<int>(melody.size());
    std::vector<std::vector<MidiMessage>> ticks(static_cast<std::size_t>(size) + 1);
    auto at = [&ticks](int tick) -> std::vector<MidiMessage>& { return ticks[static_cast<std::size_t>(tick) - 1]; };

    // A run of equal bytes is one held note: struck by the tick that reaches
    // its first byte, released by the tick that leaves its last one (even a
    // run that began at byte 0 and so was never struck).
    for (int first = 0; first < size;) {
        int last = first;
        while (last + 1 < size && melody[last + 1] == melody[first])
            ++last;
        if (first >= 1)
            at(first).push_back(On(melody[first], 127, MelodyChannel));
        if (last >= 1)
            at(last + 1).push_back(Off(melody[first], MelodyChannel));
        first = last + 1;
    }

    // Every eighth position from byte 1 strikes the triad of its byte; six
    // ticks later that triad is released, if the piece lasts that long.
    for (int strike = 1; strike < size; strike += 8) {
        const auto& triad = Triads[melody[static_cast<std::size_t>(strike)] % 8];
        for (const std::uint8_t note : triad)
            at(strike).push_back(On(note, 100, ChordChannel));
        if (strike + 6 <= size) {
            for (const std::uint8_t note : triad)
                at(strike + 6).push_back(Off(note, ChordChannel));
        }
    }
    return ticks;
}

std::vector<Call> CallsOf(const std::vector<RecordingMidiOut::Call>& calls, std::size_t from)
{
    std::vector<Call> result;
    for (std::size_t i = from; i < calls.size(); ++i) {
        const auto& call = calls[i];
        result.push_back({call.kind, call.kind == RecordingMidiOut::Kind::Send ? call.message : MidiMessage{},
                          call.accepted});
    }
    return result;
}

std::vector<Call> PieceCalls(const std::vector<std::uint8_t>& melody, int ticks)
{
    using Kind = RecordingMidiOut::Kind;
    std::vector<Call> calls{{Kind::DeviceQuery}, {Kind::Open}};
    for (const MidiMessage& message : Instruments())
        calls.push_back({Kind::Send, message});
    const auto perTick = TickMessages(melody);
    for (int k = 0; k < ticks && k < static_cast<int>(perTick.size()); ++k) {
        for (const MidiMessage& message : perTick[static_cast<std::size_t>(k)])
            calls.push_back({Kind::Send, message});
    }
    calls.push_back({Kind::Silence});
    calls.push_back({Kind::Close});
    return calls;
}

void PrintTo(const Call& call, std::ostream* out)
{
    using Kind = RecordingMidiOut::Kind;
    switch (call.kind) {
    case Kind::DeviceQuery: *out << "Query"; break;
    case Kind::Open: *out << "Open"; break;
    case Kind::Silence: *out << "Silence"; break;
    case Kind::Close: *out << "Close"; break;
    case Kind::Send: *out << "Send"; break;
    }
    if (call.kind == Kind::Send)
        *out << std::hex << '(' << int(call.message.status) << std::dec << ' ' << int(call.message.data1) << ' '
             << int(call.message.data2) << ')';
    if (!call.accepted)
        *out << "(refused)";
}

void SoundingNotes::Hear(const RecordingMidiOut::Call& call)
{
    using Kind = RecordingMidiOut::Kind;
    if (!call.accepted)
        return;
    if (call.kind == Kind::Silence) {
        sounding_.clear();
    } else if (call.kind == Kind::Close) {
        leftAtClose_.insert(leftAtClose_.end(), sounding_.begin(), sounding_.end());
        sounding_.clear();
    } else if (call.kind == Kind::Send) {
        const Note note{call.message.status & 0x0F, call.message.data1};
        const int kind = call.message.status & 0xF0;
        if (kind == 0x90 && call.message.data2 > 0)
            sounding_.insert(note);
        else if (kind == 0x80 || kind == 0x90)
            sounding_.erase(note);
    }
}

void SoundingNotes::HearAll(const std::vector<RecordingMidiOut::Call>& calls, std::size_t from)
{
    for (std::size_t i = from; i < calls.size(); ++i)
        Hear(calls[i]);
}

} // namespace reference
