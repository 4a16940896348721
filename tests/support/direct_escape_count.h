#pragma once

#include "deep_view.h"

namespace fractal::testing {

// Straight iteration of one pixel's sample point in MPFR, 64 bits beyond
// the view's precision: the sample point XMin + x * (XMax - XMin) / side at
// the view's precision, then z -> z^2 + c until |z|^2 > 4. The oracle for
// every deep renderer.
int DirectEscapeCount(const DeepView& view, int x, int y, int maxIterations);

} // namespace fractal::testing
