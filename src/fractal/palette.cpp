#include "palette.h"

#include "render.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

namespace fractal {

namespace {

struct Rgb
{
    int red;
    int green;
    int blue;
};

// Each gradient is a ring of stops spaced evenly round its cycle, the last
// blending back into the first, so a cycle's end joins its start unseen.
constexpr std::array<Rgb, 5> SunsetStops{{
    {24, 6, 48},      // deep violet
    {128, 24, 96},    // plum
    {224, 64, 48},    // red
    {248, 156, 40},   // orange
    {255, 236, 160},  // pale gold
}};
constexpr std::array<Rgb, 5> OceanStops{{
    {4, 14, 44},      // abyss
    {12, 72, 144},    // deep blue
    {40, 164, 204},   // sea
    {196, 244, 244},  // foam
    {20, 112, 120},   // teal
}};

constexpr std::array<std::string_view, Palettes.size()> Names{"classic", "sunset", "ocean"};

std::span<const Rgb> StopsOf(Palette palette)
{
    return palette == Palette::Ocean ? std::span<const Rgb>(OceanStops) : std::span<const Rgb>(SunsetStops);
}

int Blend(int from, int to, double fraction)
{
    return static_cast<int>(std::lround(from + (to - from) * fraction));
}

Colour Packed(int red, int green, int blue)
{
    return red | (green << 8) | (blue << 16);
}

} // namespace

std::string_view PaletteName(Palette palette)
{
    const auto index = static_cast<std::size_t>(palette);
    return index < Names.size() ? Names[index] : Names.front();
}

std::optional<Palette> PaletteNamed(std::string_view name)
{
    for (std::size_t i = 0; i < Names.size(); ++i)
        if (Names[i] == name)
            return Palettes[i];
    return std::nullopt;
}

double CyclePosition(float smoothCount)
{
    // Written so that NaN, too, counts as 0.
    const double count = smoothCount > 0.0f ? smoothCount : 0.0;
    const double cycles = std::sqrt(count) / RootStepsPerCycle;
    return cycles - std::floor(cycles);
}

Colour PaletteColour(Palette palette, Colour classic, float smoothCount)
{
    if (palette == Palette::Classic || classic == ColourOf(NotEscaped))
        return classic;
    const std::span<const Rgb> stops = StopsOf(palette);
    const double along = CyclePosition(smoothCount) * static_cast<double>(stops.size());
    const auto index = std::min(static_cast<std::size_t>(along), stops.size() - 1);
    const double fraction = along - static_cast<double>(index);
    const Rgb& from = stops[index];
    const Rgb& to = stops[(index + 1) % stops.size()];
    return Packed(Blend(from.red, to.red, fraction), Blend(from.green, to.green, fraction),
                  Blend(from.blue, to.blue, fraction));
}

} // namespace fractal
