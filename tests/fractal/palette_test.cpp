#include "palette.h"
#include "render.h"

#include <gtest/gtest.h>

namespace {

fractal::Colour Rgb(int red, int green, int blue)
{
    return red | (green << 8) | (blue << 16);
}

// Worked by hand from the gradients' stops, two cycle steps of the root:
// 6.25 has root 2.5, 1.25 cycles, a quarter of the way from stop 1 to stop 2;
// 14.0625 has root 3.75, 0.875 of a cycle, 0.375 of the way from the last
// stop back round to the first.
TEST(Palette, ASmoothPaletteBlendsItsStopsAtAFractionalCount)
{
    // Sunset: plum (128, 24, 96) to red (224, 64, 48); pale gold (255, 236, 160) to violet (24, 6, 48).
    EXPECT_EQ(fractal::PaletteColour(fractal::Palette::Sunset, fractal::ColourOf(6), 6.25f), Rgb(152, 34, 84));
    EXPECT_EQ(fractal::PaletteColour(fractal::Palette::Sunset, fractal::ColourOf(13), 14.0625f), Rgb(168, 150, 118));
    // Ocean: deep blue (12, 72, 144) to sea (40, 164, 204).
    EXPECT_EQ(fractal::PaletteColour(fractal::Palette::Ocean, fractal::ColourOf(6), 6.25f), Rgb(19, 95, 159));
}

TEST(Palette, ClassicIsTheSevenEscapeColoursAndTheInsideIsBlackInEveryPalette)
{
    for (int count = 0; count < 14; ++count)
        EXPECT_EQ(fractal::PaletteColour(fractal::Palette::Classic, fractal::ColourOf(count), count + 0.5f),
                  fractal::EscapeColours[static_cast<std::size_t>(count % 7)])
            << "count " << count;
    for (const fractal::Palette palette : fractal::Palettes)
        EXPECT_EQ(fractal::PaletteColour(palette, fractal::ColourOf(fractal::NotEscaped), float(fractal::NotEscaped)), 0)
            << fractal::PaletteName(palette);
}

TEST(Palette, EachNameReadsBackAsItsPaletteAndNoOtherTextDoes)
{
    for (const fractal::Palette palette : fractal::Palettes)
        EXPECT_EQ(fractal::PaletteNamed(fractal::PaletteName(palette)), palette);
    EXPECT_EQ(fractal::PaletteNamed("Sunset"), std::nullopt);
    EXPECT_EQ(fractal::PaletteNamed(""), std::nullopt);
}

} // namespace
