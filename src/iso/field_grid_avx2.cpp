#include "iso/field_grid_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::field_grid {
namespace {

struct Avx2Ops {
  using V = __m256;
  static constexpr int32_t kLanes = 8;
  ORVANTA_TARGET_AVX2 static V zero() { return _mm256_setzero_ps(); }
  ORVANTA_TARGET_AVX2 static V set1(float value) { return _mm256_set1_ps(value); }
  ORVANTA_TARGET_AVX2 static V load(const float* from) { return _mm256_load_ps(from); }
  ORVANTA_TARGET_AVX2 static void store(float* to, V value) { _mm256_store_ps(to, value); }
  ORVANTA_TARGET_AVX2 static V add(V a, V b) { return _mm256_add_ps(a, b); }
  ORVANTA_TARGET_AVX2 static V sub(V a, V b) { return _mm256_sub_ps(a, b); }
  ORVANTA_TARGET_AVX2 static V mul(V a, V b) { return _mm256_mul_ps(a, b); }
  ORVANTA_TARGET_AVX2 static V div(V a, V b) { return _mm256_div_ps(a, b); }
  ORVANTA_TARGET_AVX2 static V sqrt(V a) { return _mm256_sqrt_ps(a); }
  // Below zero or not a number becomes +0; everything else, -0 included, stays.
  ORVANTA_TARGET_AVX2 static V keepNonNegative(V a) {
    return _mm256_and_ps(a, _mm256_cmp_ps(a, _mm256_setzero_ps(), _CMP_GE_OQ));
  }
  // Bit k set when lane k of a is less than lane k of b.
  ORVANTA_TARGET_AVX2 static int lessMask(V a, V b) { return _mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_LT_OQ)); }
};

#define ORVANTA_KERNEL_TARGET ORVANTA_TARGET_AVX2
#include "iso/field_grid_kernel.inl"
#undef ORVANTA_KERNEL_TARGET

}  // namespace

ORVANTA_TARGET_AVX2 void valuesAvx2(const Job& job, uint64_t* below, float level) {
  fillValues<Avx2Ops>(job, below, level);
}
ORVANTA_TARGET_AVX2 void normalsAvx2(const Job& job, const Listed& listed) { fillNormals<Avx2Ops>(job, listed); }

}  // namespace orvanta::field_grid

#endif  // ORVANTA_X86_AVX2
