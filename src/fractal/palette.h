#pragma once

#include "grid.h"

#include <array>
#include <optional>
#include <string_view>

namespace fractal {

// How a picture is coloured. Classic is the seven escape colours the
// outline is traced from; the others blend a gradient along the continuous
// escape count, so a deep view, where neighbouring pixels differ by many
// iterations, still shows its structure instead of noise.
enum class Palette { Classic, Sunset, Ocean };

inline constexpr std::array<Palette, 3> Palettes{Palette::Classic, Palette::Sunset, Palette::Ocean};

// The gradient goes round once each time the square root of the smooth
// count grows by RootStepsPerCycle. A whole view's counts run over tens; a
// deep view's crowd into the thousands, its features apart by some hundreds.
// On a square-root scale both span a cycle or more, where a linear one
// repeats into noise at depth and a log scale leaves the deep spread flat.
inline constexpr double RootStepsPerCycle = 2.0;

// A stable name for places and settings: "classic", "sunset", "ocean".
std::string_view PaletteName(Palette palette);
// The palette of that name; nullopt for any other text.
std::optional<Palette> PaletteNamed(std::string_view name);

// Where a smooth count falls in a smooth palette's cycle, from 0 up to 1.
// A count below 0 (a point far outside the set leaves at once) counts as 0.
double CyclePosition(float smoothCount);

// A pixel's colour in the palette, from its colour in the classic picture
// and its smooth count (SmoothCount). Classic gives the classic colour
// back; a pixel that did not escape stays black in every palette.
Colour PaletteColour(Palette palette, Colour classic, float smoothCount);

} // namespace fractal
