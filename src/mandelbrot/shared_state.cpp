#include "shared_state.h"

ViewRect View{DefaultXMin, DefaultXMax, DefaultYMin, DefaultYMax, 0.0, 0.0};
std::int16_t MaxIterations = 0;
Grid ColorGrid{};
Grid OutlineGrid{};
std::int16_t InteractionMode = ModeIdle;
std::array<std::uint8_t, MelodyCapacity> Melody{};
std::int16_t MelodyLength = 0;
std::array<std::int32_t, MelodyCapacity> PathX{};
std::array<std::int32_t, MelodyCapacity> PathY{};
std::int16_t PathTop = 0;
std::int16_t PlayPosition = 0;

void SetDefaultView()
{
    View.XMin = DefaultXMin;
    View.YMin = DefaultYMin;
    View.XMax = DefaultXMax;
    View.YMax = DefaultYMax;
}

void ResetSharedState()
{
    View = ViewRect{DefaultXMin, DefaultXMax, DefaultYMin, DefaultYMax, 0.0, 0.0};
    MaxIterations = 0;
    ColorGrid = Grid{};
    OutlineGrid = Grid{};
    InteractionMode = ModeIdle;
    Melody.fill(0);
    MelodyLength = 0;
    PathX.fill(0);
    PathY.fill(0);
    PathTop = 0;
    PlayPosition = 0;
}
