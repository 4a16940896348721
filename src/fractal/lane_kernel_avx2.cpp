// Four pixels a vector. Compiled with AVX2 but without FMA, so no multiply
// and add are fused; called only on processors that have AVX2.
#include "lane_kernel.h"

#include <immintrin.h>

namespace fractal::kernel {
namespace {

struct Avx2
{
    using Real = __m256d;
    static constexpr int Lanes = 4;

    static Real Zero() { return _mm256_setzero_pd(); }
    static Real AllBits() { return _mm256_castsi256_pd(_mm256_set1_epi32(-1)); }
    static Real Broadcast(double value) { return _mm256_set1_pd(value); }
    static Real Load(const double* values) { return _mm256_load_pd(values); }
    static Real Elements(const double* values) { return _mm256_set_pd(values[3], values[2], values[1], values[0]); }
    static void Store(double* values, Real v) { _mm256_store_pd(values, v); }
    static Real Add(Real a, Real b) { return _mm256_add_pd(a, b); }
    static Real Sub(Real a, Real b) { return _mm256_sub_pd(a, b); }
    static Real Mul(Real a, Real b) { return _mm256_mul_pd(a, b); }
    // Ordered and quiet, as the scalar comparisons: false with a NaN.
    static Real Greater(Real a, Real b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static Real Equal(Real a, Real b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static Real And(Real a, Real b) { return _mm256_and_pd(a, b); }
    static Real Or(Real a, Real b) { return _mm256_or_pd(a, b); }
    // Not a, and b.
    static Real AndNot(Real a, Real b) { return _mm256_andnot_pd(a, b); }
    static int Bits(Real mask) { return _mm256_movemask_pd(mask); }
    // All bits set in the lanes whose bit is set in bits.
    static Real Mask(int bits)
    {
        return _mm256_castsi256_pd(_mm256_set_epi64x(
            -static_cast<long long>(bits >> 3 & 1), -static_cast<long long>(bits >> 2 & 1),
            -static_cast<long long>(bits >> 1 & 1), -static_cast<long long>(bits & 1)));
    }
};

} // namespace

bool CountEscapesAvx2(const Job& job)
{
    return Batch<Avx2>(job).Run();
}

} // namespace fractal::kernel
