#include "direct_escape_count.h"

#include "render.h"

#include <mpfr.h>

namespace fractal::testing {

int DirectEscapeCount(const DeepView& view, int x, int y, int maxIterations)
{
    const mpfr_prec_t bits = view.Precision() + 64;
    mpfr_t c[2], z[2], square[2], product;
    for (mpfr_t* number : {&c[0], &c[1]})
        mpfr_init2(*number, view.Precision());
    for (mpfr_t* number : {&z[0], &z[1], &square[0], &square[1], &product})
        mpfr_init2(*number, bits);
    const BigFloat* corners[2][2] = {{&view.XMin(), &view.XMax()}, {&view.YMin(), &view.YMax()}};
    const int cell[2] = {x, y};
    for (int axis = 0; axis < 2; ++axis) {
        mpfr_sub(c[axis], corners[axis][1]->Raw(), corners[axis][0]->Raw(), MPFR_RNDN);
        mpfr_div_ui(c[axis], c[axis], static_cast<unsigned long>(view.Side()), MPFR_RNDN);
        mpfr_mul_ui(c[axis], c[axis], static_cast<unsigned long>(cell[axis]), MPFR_RNDN);
        mpfr_add(c[axis], c[axis], corners[axis][0]->Raw(), MPFR_RNDN);
        mpfr_set_zero(z[axis], 1);
    }
    int count = NotEscaped;
    for (int n = 0; n <= maxIterations && count == NotEscaped; ++n) {
        mpfr_mul(product, z[0], z[1], MPFR_RNDN);
        mpfr_sqr(square[0], z[0], MPFR_RNDN);
        mpfr_sqr(square[1], z[1], MPFR_RNDN);
        mpfr_sub(z[0], square[0], square[1], MPFR_RNDN);
        mpfr_add(z[0], z[0], c[0], MPFR_RNDN);
        mpfr_mul_2ui(z[1], product, 1, MPFR_RNDN);
        mpfr_add(z[1], z[1], c[1], MPFR_RNDN);
        mpfr_sqr(square[0], z[0], MPFR_RNDN);
        mpfr_sqr(square[1], z[1], MPFR_RNDN);
        mpfr_add(product, square[0], square[1], MPFR_RNDN);
        if (mpfr_cmp_ui(product, 4) > 0)
            count = n;
    }
    for (mpfr_t* number : {&c[0], &c[1], &z[0], &z[1], &square[0], &square[1], &product})
        mpfr_clear(*number);
    return count;
}

} // namespace fractal::testing
