#include "image/smooth_kernels.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>

namespace orvanta::kernels {
namespace {

constexpr size_t kRow = 320;

__m128i widen(__m128i bytes) { return _mm_unpacklo_epi8(bytes, _mm_setzero_si128()); }
__m128i loadWord(const uint32_t* p) { return _mm_cvtsi32_si128(static_cast<int>(*p)); }

}  // namespace

// Per byte, pixel i becomes (left + c_i) >> 2 with c_i = right + up + down, which are known
// before the sweep reaches i (right and down are not yet rewritten, up was rewritten a row
// earlier). Since floor((floor(a / 4) + b) / 4) = floor((a + 4b) / 16), four steps fold into
//   n_j = (left + c_0 + 4 c_1 + ... + 4^j c_j) >> (2j + 2),   j = 0 ... 3,
// whose largest sum, 255 + 765 * 85 = 65280, still fits a 16-bit lane. Only n_3 carries over
// to the next four pixels, so the sequential part is one add and one shift per four pixels.
void smoothNeighboursSse2(uint32_t* pixels, size_t count, size_t from, size_t to) {
  const SmoothRange range = smoothRange(count, from, to);
  if (range.first >= range.end) return;
  const size_t last = range.end - 1;
  const __m128i zero = _mm_setzero_si128();
  __m128i left = widen(loadWord(pixels + range.first - 1));
  left = _mm_unpacklo_epi64(left, left);  // the carried pixel, in both halves
  // 4^j for the pixels j = 0, 1 and 2, 3; then the shifts by 2j + 2 as high-half products.
  const __m128i weightLow = _mm_setr_epi16(1, 1, 1, 1, 4, 4, 4, 4);
  const __m128i weightHigh = _mm_setr_epi16(16, 16, 16, 16, 64, 64, 64, 64);
  const __m128i shiftLow = _mm_setr_epi16(1 << 14, 1 << 14, 1 << 14, 1 << 14, 1 << 12, 1 << 12, 1 << 12, 1 << 12);
  const __m128i shiftHigh = _mm_setr_epi16(1 << 10, 1 << 10, 1 << 10, 1 << 10, 1 << 8, 1 << 8, 1 << 8, 1 << 8);
  size_t i = range.first;
  for (; i + 3 <= last; i += 4) {
    const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i + 1));
    const __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i - kRow));
    const __m128i down = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i + kRow));
    const __m128i othersLow = _mm_add_epi16(
        _mm_add_epi16(_mm_unpacklo_epi8(right, zero), _mm_unpacklo_epi8(up, zero)), _mm_unpacklo_epi8(down, zero));
    const __m128i othersHigh = _mm_add_epi16(
        _mm_add_epi16(_mm_unpackhi_epi8(right, zero), _mm_unpackhi_epi8(up, zero)), _mm_unpackhi_epi8(down, zero));
    const __m128i weightedLow = _mm_mullo_epi16(othersLow, weightLow);
    const __m128i weightedHigh = _mm_mullo_epi16(othersHigh, weightHigh);
    const __m128i sumsLow = _mm_add_epi16(weightedLow, _mm_slli_si128(weightedLow, 8));  // P0 | P1
    const __m128i sumsHigh = _mm_add_epi16(_mm_add_epi16(weightedHigh, _mm_slli_si128(weightedHigh, 8)),
                                           _mm_unpackhi_epi64(sumsLow, sumsLow));  // P2 | P3
    const __m128i n01 = _mm_mulhi_epu16(_mm_add_epi16(left, sumsLow), shiftLow);
    const __m128i n23 = _mm_mulhi_epu16(_mm_add_epi16(left, sumsHigh), shiftHigh);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), _mm_packus_epi16(n01, n23));
    left = _mm_srli_epi16(_mm_add_epi16(left, _mm_unpackhi_epi64(sumsHigh, sumsHigh)), 8);
  }
  for (; i <= last; ++i) {
    const __m128i others = _mm_add_epi16(_mm_add_epi16(widen(loadWord(pixels + i + 1)), widen(loadWord(pixels + i - kRow))),
                                         widen(loadWord(pixels + i + kRow)));
    left = _mm_srli_epi16(_mm_add_epi16(others, left), 2);
    pixels[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(left, left)));
  }
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_VECTORS
