// Built for AVX whatever the compiler's baseline; only called after a run-time check.
#include "iso/field_grid_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#define ORVANTA_HAVE_AVX_KERNEL 1
#include <immintrin.h>
#endif

namespace orvanta::field_grid {

#if defined(ORVANTA_HAVE_AVX_KERNEL)

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx")
#endif

namespace {

struct AvxOps {
  using V = __m256;
  static constexpr int32_t kLanes = 8;
  static V zero() { return _mm256_setzero_ps(); }
  static V set1(float value) { return _mm256_set1_ps(value); }
  static V load(const float* from) { return _mm256_load_ps(from); }
  static void store(float* to, V value) { _mm256_store_ps(to, value); }
  static V add(V a, V b) { return _mm256_add_ps(a, b); }
  static V sub(V a, V b) { return _mm256_sub_ps(a, b); }
  static V mul(V a, V b) { return _mm256_mul_ps(a, b); }
  static V div(V a, V b) { return _mm256_div_ps(a, b); }
  static V sqrt(V a) { return _mm256_sqrt_ps(a); }
  // Below zero or not a number becomes +0; everything else, -0 included, stays.
  static V keepNonNegative(V a) { return _mm256_and_ps(a, _mm256_cmp_ps(a, _mm256_setzero_ps(), _CMP_GE_OQ)); }
};

#include "iso/field_grid_kernel.inl"

}  // namespace

bool fillAvx(const Job& job) {
  fillBlocks<AvxOps>(job);
  return true;
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

bool fillAvx(const Job&) { return false; }

#endif

}  // namespace orvanta::field_grid
