#include "walk.h"

#include "length_text.h"
#include "midi_control.h"
#include "music_tables.h"
#include "outline.h"
#include "shared_state.h"
#include "toolkit.h"
#include "language.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

struct Cell
{
    int x;
    int y;
};

// A position becomes a cell by rounding half to even; positions that fall
// outside the grid have no cell.
std::optional<Cell> CellAt(float x, float y, int limit)
{
    const float rx = std::nearbyint(x);
    const float ry = std::nearbyint(y);
    if (!(rx >= 0.0f && rx <= float(limit) && ry >= 0.0f && ry <= float(limit)))
        return std::nullopt;
    return Cell{static_cast<int>(rx), static_cast<int>(ry)};
}

bool IsMarked(float x, float y)
{
    const auto cell = CellAt(x, y, PictureSide);
    return cell && OutlineGrid[cell->x][cell->y] == OutlineWhite;
}

bool InsidePicture(int x, int y)
{
    return x >= 0 && y >= 0 && x < PictureSide && y < PictureSide;
}

void PaintVisited(int x, int y)
{
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    toolkit::SetPixel(fx, fy, WalkRed);
    toolkit::SetPixel(fx + 1, fy, WalkRed);
    toolkit::SetPixel(fx, fy + 1, WalkRed);
    toolkit::SetPixel(fx + 1, fy + 1, WalkRed);
}

// The first marked neighbour clockwise from `direction`, or -1 at a dead end.
int NextDirection(int x, int y, int direction)
{
    std::array<std::int32_t, 8> slots{};
    for (int code = 0; code < 8; ++code) {
        const int nx = x + DirectionSteps[code].dx;
        const int ny = y + DirectionSteps[code].dy;
        if (InsidePicture(nx, ny))
            slots[code] = OutlineGrid[nx][ny];
    }
    for (int k = direction; k < direction + 8; ++k) {
        if (slots[k % 8] == OutlineWhite)
            return k % 8;
    }
    return -1;
}

// A direction grown past 255 by a long run of dead ends no longer fits a
// melody byte; 255 plays as C5 like every other dead-end byte instead of
// wrapping round into a scale note.
std::uint8_t MelodyByte(int direction)
{
    return static_cast<std::uint8_t>(std::min(direction, 255));
}

void StartPlayback()
{
    for (int i = 0; i < MelodyLength; ++i)
        Melody[i] = DirectionToNote(Melody[i]);
    OpenMidi();
    ProgramChange(MelodyProgram, 0);
    ProgramChange(ChordProgram, 1);
    toolkit::SetEnabled(toolkit::Button::StopMusic, true);
    toolkit::SetMusicTimerEnabled(true);
    InteractionMode = ModeIdle;
    PlayPosition = 0;
}

} // namespace

void ComposeClicked()
{
    toolkit::SetEnabled(toolkit::Button::Compose, false);
    toolkit::ShowMessage(UiText(AskStartPointEnglish, AskStartPointJapanese));
    InteractionMode = ModeStartPoint;
}

void ChooseStartPoint(float x, float y)
{
    struct Candidate
    {
        float x;
        float y;
        bool tried;
    };
    // Left and up before right and down; up-right and down-left are never tried.
    const std::array<Candidate, 7> candidates{{
        {x, y, true},
        {x - 1.0f, y, x > 0},
        {x, y - 1.0f, y > 0},
        {x - 1.0f, y - 1.0f, x > 0 && y > 0},
        {x + 1.0f, y, x + 1.0f < 400},
        {x, y + 1.0f, y + 1.0f < 400},
        {x + 1.0f, y + 1.0f, x + 1.0f < 400 && y + 1.0f < 400},
    }};
    for (const auto& c : candidates) {
        if (c.tried && IsMarked(c.x, c.y)) {
            ComposeFrom(c.x, c.y);
            return;
        }
    }
    toolkit::ShowMessage(UiText(NotOnOutlineEnglish, NotOnOutlineJapanese));
}

void ComposeFrom(float startX, float startY)
{
    const auto start = CellAt(startX, startY, PictureSide - 1);
    if (!start)
        return;

    PathTop = 0;
    PathX[0] = start->x;
    PathY[0] = start->y;
    int direction = 0;
    MelodyLength = 0;

    const LengthReading reading = ReadLength(toolkit::LengthText());
    if (!reading.accepted)
        toolkit::SetLengthText("400");

    for (int step = 0; step <= reading.length; ++step) {
        const int x = PathX[PathTop];
        const int y = PathY[PathTop];
        OutlineGrid[x][y] = 0;
        PaintVisited(x, y);

        const int next = NextDirection(x, y, direction);
        if (next >= 0) {
            direction = next;
            ++PathTop;
            PathX[PathTop] = x + DirectionSteps[next].dx;
            PathY[PathTop] = y + DirectionSteps[next].dy;
        } else {
            // Step back along the path, searching next from the reverse of the last move.
            direction += 4;
            if (PathTop == 0) {
                toolkit::ShowMessage(WalkFailedMessage);
                return;
            }
            --PathTop;
        }
        Melody[MelodyLength] = MelodyByte(direction);
        ++MelodyLength;
    }
    StartPlayback();
}
