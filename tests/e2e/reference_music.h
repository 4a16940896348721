#pragma once

// Independent re-statements of the walk and of the playback rules, written
// from the program's description and not from its sources, so the end-to-end
// tests can say what the window ought to have produced.

#include "recording_midi.h"
#include "shared_state.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace reference {

inline constexpr std::int32_t White = 0x00FFFFFF;

struct WalkResult
{
    bool completed = false;
    std::vector<int> directions;  // one per step, unbounded (dead ends add 4)
    std::vector<std::pair<int, int>> visited;
};

// The outline walk: clockwise search from the last direction, dead ends add 4
// and pop, failure when stuck at the start. Works on its own copy of the grid.
inline WalkResult Walk(Grid grid, int startX, int startY, int length)
{
    static constexpr int Dx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    static constexpr int Dy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
    WalkResult result;
    std::vector<std::pair<int, int>> path{{startX, startY}};
    int direction = 0;
    for (int step = 0; step <= length; ++step) {
        const auto [x, y] = path.back();
        grid[x][y] = 0;
        result.visited.emplace_back(x, y);
        int found = -1;
        for (int k = direction; k < direction + 8 && found < 0; ++k) {
            const int nx = x + Dx[k % 8];
            const int ny = y + Dy[k % 8];
            if (nx >= 0 && ny >= 0 && nx < 400 && ny < 400 && grid[nx][ny] == White)
                found = k % 8;
        }
        if (found >= 0) {
            direction = found;
            path.emplace_back(x + Dx[found], y + Dy[found]);
        } else {
            direction += 4;
            if (path.size() == 1)
                return result;
            path.pop_back();
        }
        result.directions.push_back(direction);
    }
    result.completed = true;
    return result;
}

// C-major from C5 for the eight directions, C5 for anything else.
inline std::uint8_t NoteOfDirection(int direction)
{
    static constexpr std::uint8_t Notes[8] = {72, 74, 76, 77, 79, 81, 83, 84};
    return direction >= 0 && direction < 8 ? Notes[direction] : 72;
}

inline std::vector<std::uint8_t> NotesOf(const std::vector<int>& directions)
{
    std::vector<std::uint8_t> notes;
    for (const int d : directions)
        notes.push_back(NoteOfDirection(d));
    return notes;
}

inline std::uint32_t NoteOn(int note, int velocity, int channel)
{
    return static_cast<std::uint32_t>(0x90 | channel | note << 8 | velocity << 16);
}

inline std::uint32_t NoteOff(int note, int channel)
{
    return static_cast<std::uint32_t>(0x80 | channel | note << 8);
}

inline std::uint32_t ProgramChange(int program, int channel)
{
    return static_cast<std::uint32_t>(0xC0 | channel | program << 8);
}

inline const int* ChordNotes(std::uint8_t root)
{
    static constexpr int Rows[8][3] = {
        {60, 64, 67}, {62, 65, 69}, {64, 67, 71}, {65, 69, 72},
        {67, 71, 74}, {69, 72, 76}, {71, 74, 67}, {60, 64, 67},
    };
    return Rows[root % 8];
}

// The short messages each tick sends, tick k at index k - 1; the last entry
// is the ending tick, which sends none (the reset and close follow it).
inline std::vector<std::vector<std::uint32_t>> TickMessages(const std::vector<std::uint8_t>& melody)
{
    const int length = static_cast<int>(melody.size());
    std::vector<std::vector<std::uint32_t>> ticks;
    std::uint8_t chordRoot = 0;
    for (int p = 0; p <= length; ++p) {
        std::vector<std::uint32_t> sent;
        if (p < length) {
            if (p > 0 && (p + 1 == length || melody[p + 1] != melody[p]))
                sent.push_back(NoteOff(melody[p], 0));
            const int q = p + 1;
            if (q < length) {
                if (melody[q] != melody[q - 1])
                    sent.push_back(NoteOn(melody[q], 127, 0));
                if (q % 8 == 1) {
                    chordRoot = melody[q];
                    for (int i = 0; i < 3; ++i)
                        sent.push_back(NoteOn(ChordNotes(chordRoot)[i], 100, 1));
                } else if (q % 8 == 7) {
                    for (int i = 0; i < 3; ++i)
                        sent.push_back(NoteOff(ChordNotes(chordRoot)[i], 1));
                }
            } else if (q % 8 == 7) {
                for (int i = 0; i < 3; ++i)
                    sent.push_back(NoteOff(ChordNotes(chordRoot)[i], 1));
            }
        }
        ticks.push_back(sent);
    }
    return ticks;
}

// One platform call as a listener hears it: the kind and, for a short message, its word.
struct Heard
{
    recording_midi::Kind kind;
    std::uint32_t word;
    bool operator==(const Heard&) const = default;
};

inline std::vector<Heard> WholePiece(const std::vector<std::uint8_t>& melody)
{
    using recording_midi::Kind;
    std::vector<Heard> heard{{Kind::GetNumDevs, 0},
                             {Kind::Open, 0},
                             {Kind::ShortMsg, ProgramChange(88, 0)},
                             {Kind::ShortMsg, ProgramChange(46, 1)}};
    for (const auto& tick : TickMessages(melody)) {
        for (const auto word : tick)
            heard.push_back({Kind::ShortMsg, word});
    }
    heard.push_back({Kind::Reset, 0});
    heard.push_back({Kind::Close, 0});
    return heard;
}

inline std::vector<Heard> HeardOf(const std::vector<recording_midi::Call>& calls)
{
    std::vector<Heard> heard;
    for (const auto& call : calls) {
        const bool message = call.kind == recording_midi::Kind::ShortMsg;
        heard.push_back({call.kind, message ? call.word : 0});
    }
    return heard;
}

inline std::string Describe(const Heard& h)
{
    using recording_midi::Kind;
    std::ostringstream out;
    switch (h.kind) {
    case Kind::GetNumDevs: out << "GetNumDevs"; break;
    case Kind::Open: out << "Open"; break;
    case Kind::Reset: out << "Reset"; break;
    case Kind::Close: out << "Close"; break;
    case Kind::ShortMsg:
        out << "Msg(0x" << std::hex << (h.word & 0xFF) << std::dec << ' ' << ((h.word >> 8) & 0xFF) << ' '
            << ((h.word >> 16) & 0xFF) << ')';
        break;
    }
    return out.str();
}

inline std::string Describe(const std::vector<Heard>& stream)
{
    std::string text;
    for (const auto& h : stream)
        text += Describe(h) + ' ';
    return text;
}

inline std::string DescribeWords(const std::vector<std::uint32_t>& words)
{
    std::string text = "[ ";
    for (const auto word : words)
        text += Describe(Heard{recording_midi::Kind::ShortMsg, word}) + ' ';
    return text + ']';
}

// The notes still sounding when the output is closed: each a (channel,
// note) pair struck and neither released by its note-off nor silenced by a
// reset before the close. A piece whose output is still open at the end of
// the calls is left out.
struct HangingNote
{
    int channel;
    int note;
    std::size_t closeIndex;
};

inline std::vector<HangingNote> NotesLeftSoundingAtClose(const std::vector<recording_midi::Call>& accepted)
{
    using recording_midi::Kind;
    std::vector<HangingNote> hanging;
    std::vector<std::pair<int, int>> sounding;
    for (std::size_t i = 0; i < accepted.size(); ++i) {
        const auto& call = accepted[i];
        if (call.kind == Kind::ShortMsg) {
            const int status = static_cast<int>(call.word & 0xF0);
            const std::pair<int, int> key{static_cast<int>(call.word & 0x0F),
                                          static_cast<int>((call.word >> 8) & 0x7F)};
            if (status == 0x90 && ((call.word >> 16) & 0x7F) > 0)
                sounding.push_back(key);
            else if (status == 0x80 || status == 0x90)
                std::erase(sounding, key);
        } else if (call.kind == Kind::Reset) {
            sounding.clear();
        } else if (call.kind == Kind::Close) {
            for (const auto& [channel, note] : sounding)
                hanging.push_back({channel, note, i});
            sounding.clear();
        }
    }
    return hanging;
}

} // namespace reference
