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
// every true window sum fits them. The row is read from a copy with zeros before and after
// it, which stand for the clipped window: words[r + 1 + i] is pixel i. The zeros are written
// once; each row is then put in place and blurred.
class PaddedRow {
 public:
  ORVANTA_TARGET_AVX2 PaddedRow(int32_t width, BoxWindow window)
      : width_(width), window_(window), lead_(static_cast<int32_t>(window.radius) + 1) {
    const int32_t r = static_cast<int32_t>(window.radius);
    for (int32_t i = 0; i < lead_; ++i) words_[i] = 0;
    for (int32_t i = lead_ + width; i < lead_ + width + r + 8; ++i) words_[i] = 0;
  }

  // Where the row's `width` words go.
  uint32_t* row() { return words_ + lead_; }

  ORVANTA_TARGET_AVX2 void blur(uint32_t* destination) const {
    const int32_t r = static_cast<int32_t>(window_.radius);
    const uint32_t* source = words_ + lead_;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i weight = _mm256_set1_epi16(static_cast<int16_t>(window_.weight));
    // Sum of pixels 0 ... r - 1 in every quarter of the register.
    __m128i first = _mm_setzero_si128();
    for (int32_t i = 0; i < r; ++i) {
      first = _mm_add_epi16(first, _mm_cvtepu8_epi16(_mm_cvtsi32_si128(static_cast<int>(source[i]))));
    }
    __m256i sum = _mm256_broadcastq_epi64(first);

    for (int32_t x = 0; x < width_; x += 8) {
      const __m256i entering = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + x + r));
      const __m256i leaving = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + x - r - 1));
      __m256i lo = _mm256_sub_epi16(_mm256_unpacklo_epi8(entering, zero), _mm256_unpacklo_epi8(leaving, zero));
      __m256i hi = _mm256_sub_epi16(_mm256_unpackhi_epi8(entering, zero), _mm256_unpackhi_epi8(leaving, zero));
      lo = _mm256_add_epi16(lo, _mm256_slli_si256(lo, 8));       // [d0, d0+d1 | d4, d4+d5]
      hi = _mm256_add_epi16(hi, _mm256_slli_si256(hi, 8));       // [d2, d2+d3 | d6, d6+d7]
      hi = _mm256_add_epi16(hi, _mm256_unpackhi_epi64(lo, lo));  // prefixes within each half
      const __m256i lowerTotal = _mm256_blend_epi32(zero, _mm256_permute4x64_epi64(hi, 0x55), 0xF0);
      lo = _mm256_add_epi16(_mm256_add_epi16(lo, lowerTotal), sum);
      hi = _mm256_add_epi16(_mm256_add_epi16(hi, lowerTotal), sum);
      sum = _mm256_permute4x64_epi64(hi, 0xFF);
      const __m256i out = _mm256_packus_epi16(_mm256_mulhi_epu16(lo, weight), _mm256_mulhi_epu16(hi, weight));
      if (x + 8 <= width_) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + x), out);
      } else {
        alignas(32) uint32_t tail[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(tail), out);
        for (int32_t i = x; i < width_; ++i) destination[i] = tail[i - x];
      }
    }
  }

 private:
  static constexpr int32_t kMaxRadius = 128;  // as fastBoxWindow allows
  static constexpr int32_t kMaxWidth = 1024;
  int32_t width_;
  BoxWindow window_;
  int32_t lead_;
  alignas(32) uint32_t words_[kMaxWidth + 2 * kMaxRadius + 16];
};

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
  using PaddedRow = orvanta::kernels::PaddedRow;
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

ORVANTA_TARGET_AVX2 void blurPairAvx2(Image& destination, Image& work, const Image& source, uint32_t verticalRadius,
                                      uint32_t horizontalRadius) {
  blurPairWith<Avx2Ops>(destination, work, source, verticalRadius, horizontalRadius);
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
