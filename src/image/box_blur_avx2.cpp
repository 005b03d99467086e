#include "image/box_blur_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

// The vertical blur's column sums eight pixels to a register. Both widening and packing work
// within each 128-bit lane, so a register's sums keep the pixels in the order they came.

namespace orvanta::kernels {
namespace {

struct Avx2Ops {
  using V = __m256i;
  static constexpr int32_t kPixels = 8;
  ORVANTA_TARGET_AVX2 static V zero() { return _mm256_setzero_si256(); }
  ORVANTA_TARGET_AVX2 static V set16(int16_t value) { return _mm256_set1_epi16(value); }
  ORVANTA_TARGET_AVX2 static V load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
  ORVANTA_TARGET_AVX2 static void store(uint32_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
  ORVANTA_TARGET_AVX2 static V low(V p) { return _mm256_unpacklo_epi8(p, _mm256_setzero_si256()); }
  ORVANTA_TARGET_AVX2 static V high(V p) { return _mm256_unpackhi_epi8(p, _mm256_setzero_si256()); }
  ORVANTA_TARGET_AVX2 static V add(V a, V b) { return _mm256_add_epi16(a, b); }
  ORVANTA_TARGET_AVX2 static V sub(V a, V b) { return _mm256_sub_epi16(a, b); }
  ORVANTA_TARGET_AVX2 static V mulhi(V a, V b) { return _mm256_mulhi_epu16(a, b); }
  ORVANTA_TARGET_AVX2 static V pack(V a, V b) { return _mm256_packus_epi16(a, b); }
};

#define ORVANTA_KERNEL_TARGET ORVANTA_TARGET_AVX2
#include "image/box_blur_columns.inl"
#undef ORVANTA_KERNEL_TARGET

}  // namespace

ORVANTA_TARGET_AVX2 void blurVerticalAvx2(Image& destination, const Image& source, uint32_t radius) {
  if (source.pixelCount() == 0 || destination.pixelCount() == 0) return;
  const BoxWindow window = radius == 0 ? BoxWindow{0, 0} : boxWindow(radius, source.height);
  if (!fastBoxWindow(window, source.width)) {
    blurVerticalReference(destination, source, radius);
    return;
  }
  blurColumns<Avx2Ops>(source, destination, window, writableRows(source, destination));
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
