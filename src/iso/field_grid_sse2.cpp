#include "iso/field_grid_kernels.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>

namespace orvanta::field_grid {
namespace {

struct Sse2Ops {
  using V = __m128;
  static constexpr int32_t kLanes = 4;
  static V zero() { return _mm_setzero_ps(); }
  static V set1(float value) { return _mm_set1_ps(value); }
  static V load(const float* from) { return _mm_load_ps(from); }
  static void store(float* to, V value) { _mm_store_ps(to, value); }
  static V add(V a, V b) { return _mm_add_ps(a, b); }
  static V sub(V a, V b) { return _mm_sub_ps(a, b); }
  static V mul(V a, V b) { return _mm_mul_ps(a, b); }
  static V div(V a, V b) { return _mm_div_ps(a, b); }
  static V sqrt(V a) { return _mm_sqrt_ps(a); }
  // Below zero or not a number becomes +0; everything else, -0 included, stays.
  static V keepNonNegative(V a) { return _mm_and_ps(a, _mm_cmpge_ps(a, _mm_setzero_ps())); }
  // Bit k set when lane k of a is less than lane k of b.
  static int lessMask(V a, V b) { return _mm_movemask_ps(_mm_cmplt_ps(a, b)); }
};

#define ORVANTA_KERNEL_TARGET
#include "iso/field_grid_kernel.inl"
#undef ORVANTA_KERNEL_TARGET

}  // namespace

void valuesSse2(const Job& job, uint64_t* below, float level) { fillValues<Sse2Ops>(job, below, level); }
void normalsSse2(const Job& job, const Listed& listed) { fillNormals<Sse2Ops>(job, listed); }

}  // namespace orvanta::field_grid

#endif  // ORVANTA_X86_VECTORS
