#pragma once

#include "grid.h"
#include "render.h"
#include "view.h"

// The renderer as it was, one pixel and every one of its iterations at a
// time on one thread, written out here so the benchmarks' comparison stays
// put whatever the library does (the library skips the iterations of
// orbits it sees repeat).
inline int ReferenceEscapeCount(double cx, double cy, int maxIterations)
{
    double zx = 0.0;
    double zy = 0.0;
    for (int n = 0; n <= maxIterations; ++n) {
        const double nx = zx * zx - zy * zy + cx;
        const double ny = 2.0 * zx * zy + cy;
        if (nx * nx + ny * ny > 4.0)
            return n;
        zx = nx;
        zy = ny;
    }
    return fractal::NotEscaped;
}

inline fractal::ColourGrid ReferenceRender(const fractal::View& view, int maxIterations)
{
    fractal::ColourGrid grid;
    const double xStep = view.XStep();
    const double yStep = view.YStep();
    for (int x = 0; x < fractal::PictureSide; ++x) {
        const double cx = x * xStep + view.xMin;
        for (int y = 0; y < fractal::PictureSide; ++y)
            grid.Set(x, y, fractal::ColourOf(ReferenceEscapeCount(cx, y * yStep + view.yMin, maxIterations)));
    }
    return grid;
}
