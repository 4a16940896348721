#include "magnification.h"

#include "renderer.h"
#include "shared_state.h"
#include "toolkit.h"
#include "language.h"

#include <utility>

double SelX1 = 0.0;
double SelY1 = 0.0;
double SelX2 = 0.0;
double SelY2 = 0.0;

namespace {

void RecomputeSteps()
{
    View.XStep = (View.XMax - View.XMin) / 400;
    View.YStep = (View.YMax - View.YMin) / 400;
}

void SetFirstCorner(float x, float y)
{
    toolkit::SetAreaLineVisible(true);
    toolkit::SetAreaLineStart(x, y);
    toolkit::SetAreaLineEnd(x, y);
    RecomputeSteps();
    SelX1 = x * View.XStep + View.XMin;
    InteractionMode = ModeSecondCorner;
    SelY1 = y * View.YStep + View.YMin;
}

void CompleteMagnification(float x, float y)
{
    RecomputeSteps();
    SelX2 = x * View.XStep + View.XMin;
    SelY2 = y * View.YStep + View.YMin;
    View.XMax = SelX2;
    View.YMax = SelY2;
    View.XMin = SelX1;
    View.YMin = SelY1;

    // Squared on the extents as dragged, before the corners are ordered, so
    // the shorter side grows from the first corner.
    const double w = View.XMax - View.XMin;
    const double h = View.YMax - View.YMin;
    if (h < w)
        View.YMax = View.YMin + w;
    else if (h > w)
        View.XMax = View.XMin + h;

    if (View.XMax < View.XMin)
        std::swap(View.XMax, View.XMin);
    if (View.YMax < View.YMin)
        std::swap(View.YMax, View.YMin);

    toolkit::SetAreaLineVisible(false);
    SetMaxIterationsFromSeido();
    toolkit::ClearDrawArea();
    DrawMandelbrot();
    InteractionMode = ModeIdle;
}

} // namespace

void MangifyClicked()
{
    toolkit::ShowMessage(UiText(MagnifyHintEnglish, MagnifyHintJapanese));
}

void MagnifyPress(float x, float y)
{
    if (InteractionMode == ModeIdle && toolkit::IsEnabled(toolkit::Button::Mangify))
        SetFirstCorner(x, y);
    else if (InteractionMode == ModeSecondCorner)
        CompleteMagnification(x, y);
}

void MagnifyMove(float x, float y)
{
    if (InteractionMode == ModeSecondCorner)
        toolkit::SetAreaLineEnd(x, y);
}
