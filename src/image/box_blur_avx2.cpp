#include "image/box_blur_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

// Both blurs eight pixels to a register. Widening and packing work within each 128-bit lane,
// so the column sums keep the pixels in the order they came.

namespace orvanta::kernels {
namespace {

constexpr int32_t kMaxRadius = 128;  // as fastBoxWindow allows
constexpr int32_t kMaxWidth = 1024;

// One row, eight pixels at a time: the window sums advance by (entering - leaving) per pixel,
// summed as a prefix within the group and added to the carried sum. Widening works within
// each 128-bit lane, so the two registers hold pixels (0, 1 | 4, 5) and (2, 3 | 6, 7); the
// upper lane then takes the lower lane's total. 16-bit lanes wrap, which is exact because
// every true window sum fits them.
ORVANTA_TARGET_AVX2 void blurRow(const uint32_t* source, uint32_t* destination, int32_t width, BoxWindow window) {
  const int32_t r = static_cast<int32_t>(window.radius);
  // Zero before and after the row stands for the clipped window: padded[r + 1 + i] = source[i].
  alignas(32) uint32_t padded[kMaxWidth + 2 * kMaxRadius + 16];
  alignas(32) uint32_t tail[8];
  const int32_t lead = r + 1;
  for (int32_t i = 0; i < lead; ++i) padded[i] = 0;
  for (int32_t i = 0; i < width; ++i) padded[lead + i] = source[i];
  for (int32_t i = lead + width; i < lead + width + r + 8; ++i) padded[i] = 0;

  const __m256i zero = _mm256_setzero_si256();
  const __m256i weight = _mm256_set1_epi16(static_cast<int16_t>(window.weight));
  // Sum of pixels 0 ... r - 1 in every quarter of the register.
  __m128i first = _mm_setzero_si128();
  for (int32_t i = 0; i < r; ++i) {
    first = _mm_add_epi16(first, _mm_cvtepu8_epi16(_mm_cvtsi32_si128(static_cast<int>(source[i]))));
  }
  __m256i sum = _mm256_broadcastq_epi64(first);

  for (int32_t x = 0; x < width; x += 8) {
    const __m256i entering = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(padded + lead + x + r));
    const __m256i leaving = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(padded + lead + x - r - 1));
    __m256i lo = _mm256_sub_epi16(_mm256_unpacklo_epi8(entering, zero), _mm256_unpacklo_epi8(leaving, zero));
    __m256i hi = _mm256_sub_epi16(_mm256_unpackhi_epi8(entering, zero), _mm256_unpackhi_epi8(leaving, zero));
    lo = _mm256_add_epi16(lo, _mm256_slli_si256(lo, 8));           // [d0, d0+d1 | d4, d4+d5]
    hi = _mm256_add_epi16(hi, _mm256_slli_si256(hi, 8));           // [d2, d2+d3 | d6, d6+d7]
    hi = _mm256_add_epi16(hi, _mm256_unpackhi_epi64(lo, lo));      // prefixes within each half
    const __m256i lowerTotal = _mm256_blend_epi32(zero, _mm256_permute4x64_epi64(hi, 0x55), 0xF0);
    lo = _mm256_add_epi16(_mm256_add_epi16(lo, lowerTotal), sum);
    hi = _mm256_add_epi16(_mm256_add_epi16(hi, lowerTotal), sum);
    sum = _mm256_permute4x64_epi64(hi, 0xFF);
    const __m256i out = _mm256_packus_epi16(_mm256_mulhi_epu16(lo, weight), _mm256_mulhi_epu16(hi, weight));
    if (x + 8 <= width) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + x), out);
    } else {
      _mm256_store_si256(reinterpret_cast<__m256i*>(tail), out);
      for (int32_t i = x; i < width; ++i) destination[i] = tail[i - x];
    }
  }
}

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
  ORVANTA_TARGET_AVX2 static void row(const uint32_t* source, uint32_t* destination, int32_t width,
                                      BoxWindow window) {
    blurRow(source, destination, width, window);
  }
};

#define ORVANTA_KERNEL_TARGET ORVANTA_TARGET_AVX2
#include "image/box_blur_kernel.inl"
#undef ORVANTA_KERNEL_TARGET

}  // namespace

ORVANTA_TARGET_AVX2 void blurHorizontalAvx2(Image& destination, const Image& source, uint32_t radius) {
  blurHorizontalWith<Avx2Ops>(destination, source, radius);
}

ORVANTA_TARGET_AVX2 void blurVerticalAvx2(Image& destination, const Image& source, uint32_t radius) {
  blurVerticalWith<Avx2Ops>(destination, source, radius);
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
