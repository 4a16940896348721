#pragma once

#include "deep_view.h"
#include "render.h"
#include "view.h"

#include <stop_token>
#include <vector>

namespace fractal {

// A line between two points of an orbit, in picture cells.
struct OrbitSegment
{
    PlanePoint from;
    PlanePoint to;
};

// The orbit z0 = 0, z1 = c, z2 = c^2 + c, ... of the point c at a cell of a
// view, and where it goes: past radius 2 after escapeCount iterations, as
// EscapeCount counts them (so the picture's count at that cell, at double
// views exactly), or round a cycle of period points when it stays inside.
struct PointOrbit
{
    int escapeCount = NotEscaped;
    // For an orbit that stays: its cycle's length, 0 when none was seen
    // within the iterations asked and the search after them.
    long period = 0;
    // The part drawn, in the view's cells: the points of the first
    // DrawnOrbitPoints that lie on the picture, and the lines between
    // successive ones, cut to the picture's square.
    std::vector<PlanePoint> points;
    std::vector<OrbitSegment> segments;
    // False when stopped before the orbit was known.
    bool complete = false;
};

// The first points of an orbit drawn; enough to see a spiral settle.
inline constexpr int DrawnOrbitPoints = 1000;
// Iterations past the ones asked in which a cycle is looked for.
inline constexpr long CycleSearchIterations = 200'000;

// The orbit of the point ToPlane(view, x, y), iterated in doubles exactly
// as EscapeCount iterates.
PointOrbit OrbitAt(const View& view, float x, float y, int maxIterations);

// The same for any view: in doubles where they are enough, else in the
// view's precision. Points of a deep view far beyond the picture are drawn
// only as the part of their lines that crosses it.
PointOrbit OrbitAt(const DeepView& view, float x, float y, int maxIterations, std::stop_token stop = {});

// The part of the line from a to b inside the square [0, side] x [0, side];
// false when none of it is.
bool ClipToPicture(PlanePoint& a, PlanePoint& b, int side);

} // namespace fractal
