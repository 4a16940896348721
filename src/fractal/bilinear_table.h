#pragma once

#include "wide_float.h"

#include <cstddef>
#include <vector>

namespace fractal {

struct OrbitPoint;

// A run of iterations along the reference orbit taken as one linear map of
// a pixel's difference from it: dz -> a dz + b dc, exact to a double's
// rounding while |dz| stays within the radius (0: never), whose square is
// kept too as a double where one holds it.
struct BilinearStep
{
    WideComplex a;
    WideComplex b;
    WideFloat radius;
    double plainRadiusSquared = 0.0;
};

// Steps over runs of 2, 4, 8, ... iterations of a reference orbit, level k
// holding the runs of 2^k iterations from indices 1, 1 + 2^k, 1 + 2 * 2^k,
// ... (index 0, where the reference is 0, always takes a plain step). Each
// run ends before the orbit's last point, where a pixel must rebase. A
// run's radius is never larger than that of its first half, so the longest
// valid run from an index is found going up from the shortest.
// About one step per orbit point, 72 bytes each: 7 MB for 100,000
// iterations, 72 MB for the most a view asks (1,000,000).
class BilinearTable
{
public:
    // largestOffset: the largest |dc| of any pixel of the view.
    BilinearTable(const std::vector<OrbitPoint>& orbit, WideFloat largestOffset, int threadCount = 0);

    // The longest valid run from index (at least 1) for a difference whose
    // |dz|^2 is normSquared * 2^(2 scale); nullptr when none is. level is
    // set to the run's: it skips 2^level iterations.
    const BilinearStep* Longest(int index, double normSquared, long scale, int& level) const
    {
        const BilinearStep* best = nullptr;
        const unsigned offset = static_cast<unsigned>(index - 1);
        for (int k = 1; k < static_cast<int>(levels_.size()); ++k) {
            if ((offset & ((1U << k) - 1U)) != 0)
                break;
            const std::size_t entry = offset >> k;
            if (entry >= levels_[static_cast<std::size_t>(k)].size())
                break;
            const BilinearStep& step = levels_[static_cast<std::size_t>(k)][entry];
            if (scale == 0) {
                if (!(normSquared < step.plainRadiusSquared))
                    break;
            } else {
                const double radius = Unscaled(step.radius, scale);
                if (!(normSquared < radius * radius))
                    break;
            }
            best = &step;
            level = k;
        }
        return best;
    }

    std::size_t StepCount() const;

private:
    std::vector<std::vector<BilinearStep>> levels_;
};

} // namespace fractal
