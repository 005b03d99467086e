#include "image/box_blur_kernels.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

// Window sums of up to 257 bytes fit 16-bit lanes, and (sum * W) >> 16 is then exactly the
// high half of a 16 x 16-bit product, so four channels of two pixels go through one register.
// The rows' sums go four pixels at a time; the columns' come from box_blur_kernel.inl.

namespace orvanta::kernels {
namespace {

constexpr uint32_t kMaxFastRadius = 128;  // as fastBoxWindow allows
constexpr int32_t kMaxFastWidth = 1024;

__m128i loadFour(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void storeFour(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// One row: window sums advance by (entering - leaving) per pixel. Four pixels at a time the
// differences are summed as a prefix within the block and added to the carried sum; 16-bit
// lanes wrap, which is exact because every true window sum fits them. The row is read from a
// copy with zeros before and after it, which stand for the clipped window: words[r + 1 + i] is
// pixel i. The zeros are written once; each row is then put in place and blurred.
class PaddedRow {
 public:
  PaddedRow(int32_t width, BoxWindow window)
      : width_(width), window_(window), lead_(static_cast<int32_t>(window.radius) + 1) {
    std::memset(words_, 0, sizeof(uint32_t) * static_cast<size_t>(lead_));
    std::memset(words_ + lead_ + width, 0, sizeof(uint32_t) * (window.radius + 4));
  }

  // Where the row's `width` words go.
  uint32_t* row() { return words_ + lead_; }

  void blur(uint32_t* destination) const {
    const int32_t r = static_cast<int32_t>(window_.radius);
    const uint32_t* source = words_ + lead_;
    const __m128i zero = _mm_setzero_si128();
    const __m128i weight = _mm_set1_epi16(static_cast<int16_t>(window_.weight));
    // Sum of pixels 0 ... r - 1 in both halves of the register.
    __m128i sum = zero;
    for (int32_t i = 0; i < r; ++i) {
      sum = _mm_add_epi16(sum, _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(source[i])), zero));
    }
    sum = _mm_unpacklo_epi64(sum, sum);

    for (int32_t x = 0; x < width_; x += 4) {
      const __m128i entering = loadFour(source + x + r);
      const __m128i leaving = loadFour(source + x - r - 1);
      __m128i lo = _mm_sub_epi16(_mm_unpacklo_epi8(entering, zero), _mm_unpacklo_epi8(leaving, zero));
      __m128i hi = _mm_sub_epi16(_mm_unpackhi_epi8(entering, zero), _mm_unpackhi_epi8(leaving, zero));
      lo = _mm_add_epi16(lo, _mm_slli_si128(lo, 8));  // [d0, d0 + d1]
      hi = _mm_add_epi16(hi, _mm_slli_si128(hi, 8));  // [d2, d2 + d3]
      hi = _mm_add_epi16(hi, _mm_unpackhi_epi64(lo, lo));
      lo = _mm_add_epi16(lo, sum);
      hi = _mm_add_epi16(hi, sum);
      sum = _mm_unpackhi_epi64(hi, hi);
      const __m128i out = _mm_packus_epi16(_mm_mulhi_epu16(lo, weight), _mm_mulhi_epu16(hi, weight));
      if (x + 4 <= width_) {
        storeFour(destination + x, out);
      } else {
        alignas(16) uint32_t tail[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(tail), out);
        std::memcpy(destination + x, tail, sizeof(uint32_t) * static_cast<size_t>(width_ - x));
      }
    }
  }

 private:
  int32_t width_;
  BoxWindow window_;
  int32_t lead_;
  alignas(16) uint32_t words_[kMaxFastWidth + 2 * kMaxFastRadius + 8];
};

struct Sse2Ops {
  using V = __m128i;
  static constexpr int32_t kPixels = 4;
  static V zero() { return _mm_setzero_si128(); }
  static V set16(int16_t value) { return _mm_set1_epi16(value); }
  static V load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static void store(uint32_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static V low(V p) { return _mm_unpacklo_epi8(p, _mm_setzero_si128()); }
  static V high(V p) { return _mm_unpackhi_epi8(p, _mm_setzero_si128()); }
  static V add(V a, V b) { return _mm_add_epi16(a, b); }
  static V sub(V a, V b) { return _mm_sub_epi16(a, b); }
  static V mulhi(V a, V b) { return _mm_mulhi_epu16(a, b); }
  static V pack(V a, V b) { return _mm_packus_epi16(a, b); }
  using PaddedRow = orvanta::kernels::PaddedRow;
};

#define ORVANTA_KERNEL_TARGET
#include "image/box_blur_kernel.inl"
#undef ORVANTA_KERNEL_TARGET

}  // namespace

void blurHorizontalSse2(Image& destination, const Image& source, uint32_t radius) {
  blurHorizontalWith<Sse2Ops>(destination, source, radius);
}

void blurVerticalSse2(Image& destination, const Image& source, uint32_t radius) {
  blurVerticalWith<Sse2Ops>(destination, source, radius);
}

void blurPairSse2(Image& destination, Image& work, const Image& source, uint32_t verticalRadius,
                  uint32_t horizontalRadius) {
  blurPairWith<Sse2Ops>(destination, work, source, verticalRadius, horizontalRadius);
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_VECTORS
