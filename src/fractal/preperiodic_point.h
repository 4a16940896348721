#pragma once

#include "deep_view.h"

#include <optional>

namespace fractal {

// The parameter c near a guess whose orbit from z = 0 enters a cycle of the
// given period after exactly the given preperiod, found by Newton's method
// on z(preperiod + period) - z(preperiod) = 0 at the given precision. With
// preperiod 0 that is the nucleus of a component of the set; with a
// preperiod of 1 or more it is a Misiurewicz point, on the set's boundary,
// whose neighbourhood looks alike at every depth. nullopt when Newton's
// method does not settle, or settles on a point of another preperiod or
// period.
std::optional<DeepPoint> FindPreperiodicPoint(PlanePoint guess, int preperiod, int period, BigFloat::Bits precision);

} // namespace fractal
