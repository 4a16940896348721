#include "view.h"

#include <algorithm>

namespace fractal {

PlanePoint ToPlane(const View& view, float x, float y)
{
    return {x * view.XStep() + view.xMin, y * view.YStep() + view.yMin};
}

View Magnify(PlanePoint first, PlanePoint second)
{
    View view{std::min(first.x, second.x), std::max(first.x, second.x), std::min(first.y, second.y),
              std::max(first.y, second.y)};
    // The shorter side grows to the longer one away from the first corner,
    // in the direction dragged, so the square holds the whole dragged box
    // and keeps the first corner as one of its own.
    const double w = view.xMax - view.xMin;
    const double h = view.yMax - view.yMin;
    if (h < w) {
        if (second.y >= first.y)
            view.yMax = view.yMin + w;
        else
            view.yMin = view.yMax - w;
    } else if (h > w) {
        if (second.x >= first.x)
            view.xMax = view.xMin + h;
        else
            view.xMin = view.xMax - h;
    }
    return view;
}

} // namespace fractal
