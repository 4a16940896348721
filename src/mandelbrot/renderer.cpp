#include "renderer.h"

#include "shared_state.h"
#include "toolkit.h"

namespace {

constexpr std::array<std::int16_t, 3> IterationsBySeido{10, 50, 100};

} // namespace

void SetMaxIterationsFromSeido()
{
    const int index = toolkit::SeidoIndex();
    if (index >= 0 && index < static_cast<int>(IterationsBySeido.size()))
        MaxIterations = IterationsBySeido[static_cast<std::size_t>(index)];
}

void DrawMandelbrot()
{
    toolkit::ClearDrawArea();
    for (int x = 0; x < PictureSide; ++x) {
        for (int y = 0; y < PictureSide; ++y)
            ColorGrid[x][y] = 0;
    }
    View.XStep = (View.XMax - View.XMin) / 400;
    View.YStep = (View.YMax - View.YMin) / 400;
    toolkit::SetProgress(0.0f);

    for (std::int16_t x = 0; x < PictureSide; ++x) {
        const double cx = x * View.XStep + View.XMin;
        for (std::int16_t y = 0; y < PictureSide; ++y) {
            const double cy = y * View.YStep + View.YMin;
            const std::int16_t count = EscapeCount(cx, cy, MaxIterations);
            if (count != NotEscaped)
                PlotPoint(x, y, count);
        }
        toolkit::SetProgress(static_cast<float>(x / 400.0 * 100.0));
    }
}

void PlotPoint(std::int16_t x, std::int16_t y, std::int16_t count)
{
    const std::int32_t colour = EscapeColours[static_cast<std::size_t>(count % 7)];
    toolkit::SetPixel(x, y, colour);
    ColorGrid[x][y] = colour;
}

void DrawClicked()
{
    SetDefaultView();
    SetMaxIterationsFromSeido();
    DrawMandelbrot();
    toolkit::SetEnabled(toolkit::Button::Mangify, true);
    toolkit::SetEnabled(toolkit::Button::Trace, true);
}
