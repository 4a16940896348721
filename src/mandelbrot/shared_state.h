#pragma once

#include <array>
#include <cstdint>

// State shared by the window, the imaging and the music code. Each item
// exists once for the whole run; the comment says who writes it.

inline constexpr int PictureSide = 400;
// One spare row and column beyond the picture, always 0, so a reader that
// looks one cell past the last one finds nothing.
inline constexpr int GridSide = PictureSide + 1;

using Grid = std::array<std::array<std::int32_t, GridSide>, GridSide>;

struct ViewRect
{
    double XMin;
    double XMax;
    double YMin;
    double YMax;
    double XStep;
    double YStep;
};

inline constexpr double DefaultXMin = -2.0;
inline constexpr double DefaultXMax = 0.7;
inline constexpr double DefaultYMin = -1.4;
inline constexpr double DefaultYMax = 1.3;

// The part of the complex plane on the screen: start-up, Draw, magnification.
extern ViewRect View;
// Iteration limit of the next render: set from the accuracy list before each one.
extern std::int16_t MaxIterations;
// Indexed [x][y]; the colour of each escaped pixel of the last render, else 0.
extern Grid ColorGrid;
// Indexed [x][y]; white where the last trace found outline, less what walks consumed.
extern Grid OutlineGrid;

inline constexpr std::int16_t ModeIdle = 0;
inline constexpr std::int16_t ModeSecondCorner = 1;
inline constexpr std::int16_t ModeStartPoint = 3;
// What a press on the picture means: 0, 1 or 3 as above.
extern std::int16_t InteractionMode;

inline constexpr int MelodyCapacity = 802;
// Direction codes during a walk, note numbers once it completes.
extern std::array<std::uint8_t, MelodyCapacity> Melody;
extern std::int16_t MelodyLength;

// The walk's path from the start point (entry 0) to the current cell (PathTop).
extern std::array<std::int32_t, MelodyCapacity> PathX;
extern std::array<std::int32_t, MelodyCapacity> PathY;
extern std::int16_t PathTop;

// Index of the melody byte playback has reached.
extern std::int16_t PlayPosition;

void SetDefaultView();
// Everything as it is when the program starts; lets tests begin from scratch.
void ResetSharedState();
