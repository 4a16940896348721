#include "view.h"

#include <utility>

namespace fractal {

PlanePoint ToPlane(const View& view, float x, float y)
{
    return {x * view.XStep() + view.xMin, y * view.YStep() + view.yMin};
}

View Magnify(PlanePoint first, PlanePoint second)
{
    View view{first.x, second.x, first.y, second.y};
    // Squared on the signed extents as dragged, before the corners are
    // ordered, so the shorter side grows from the first corner.
    const double w = view.xMax - view.xMin;
    const double h = view.yMax - view.yMin;
    if (h < w)
        view.yMax = view.yMin + w;
    else if (h > w)
        view.xMax = view.xMin + h;

    if (view.xMax < view.xMin)
        std::swap(view.xMax, view.xMin);
    if (view.yMax < view.yMin)
        std::swap(view.yMax, view.yMin);
    return view;
}

} // namespace fractal
