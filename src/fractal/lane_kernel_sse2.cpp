// Two pixels a vector; SSE2 is part of every x86-64 processor.
#include "lane_kernel.h"

#include <emmintrin.h>

namespace fractal::kernel {
namespace {

struct Sse2
{
    using Real = __m128d;
    static constexpr int Lanes = 2;

    static Real Zero() { return _mm_setzero_pd(); }
    static Real AllBits() { return _mm_castsi128_pd(_mm_set1_epi32(-1)); }
    static Real Broadcast(double value) { return _mm_set1_pd(value); }
    static Real Load(const double* values) { return _mm_load_pd(values); }
    static Real Elements(const double* values) { return _mm_set_pd(values[1], values[0]); }
    static void Store(double* values, Real v) { _mm_store_pd(values, v); }
    static Real Add(Real a, Real b) { return _mm_add_pd(a, b); }
    static Real Sub(Real a, Real b) { return _mm_sub_pd(a, b); }
    static Real Mul(Real a, Real b) { return _mm_mul_pd(a, b); }
    static Real Greater(Real a, Real b) { return _mm_cmpgt_pd(a, b); }
    static Real Equal(Real a, Real b) { return _mm_cmpeq_pd(a, b); }
    static Real And(Real a, Real b) { return _mm_and_pd(a, b); }
    static Real Or(Real a, Real b) { return _mm_or_pd(a, b); }
    // Not a, and b.
    static Real AndNot(Real a, Real b) { return _mm_andnot_pd(a, b); }
    static int Bits(Real mask) { return _mm_movemask_pd(mask); }
    // All bits set in the lanes whose bit is set in bits.
    static Real Mask(int bits)
    {
        return _mm_castsi128_pd(_mm_set_epi64x(-static_cast<long long>(bits >> 1 & 1), -static_cast<long long>(bits & 1)));
    }
};

} // namespace

bool CountEscapesSse2(const Job& job)
{
    return Batch<Sse2>(job).Run();
}

} // namespace fractal::kernel
