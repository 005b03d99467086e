#include <emmintrin.h>

#include "image/smooth_kernels.h"

namespace orvanta::kernels {
namespace {

constexpr size_t kRow = 320;

__m128i widen(__m128i bytes) { return _mm_unpacklo_epi8(bytes, _mm_setzero_si128()); }
__m128i loadWord(const uint32_t* p) { return _mm_cvtsi32_si128(static_cast<int>(*p)); }

}  // namespace

// Right, up and down of four pixels are gathered at once (right and down are not yet
// rewritten, up was rewritten a row earlier); only the carried left value is sequential.
void smoothNeighboursSse2(uint32_t* pixels, size_t count) {
  if (count < 2 * kRow + 2) return;
  const size_t last = count - kRow - 1;
  __m128i left = widen(loadWord(pixels + kRow));
  size_t i = kRow + 1;
  for (; i + 3 <= last; i += 4) {
    const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i + 1));
    const __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i - kRow));
    const __m128i down = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i + kRow));
    const __m128i zero = _mm_setzero_si128();
    const __m128i othersLo = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(right, zero), _mm_unpacklo_epi8(up, zero)),
                                           _mm_unpacklo_epi8(down, zero));
    const __m128i othersHi = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(right, zero), _mm_unpackhi_epi8(up, zero)),
                                           _mm_unpackhi_epi8(down, zero));
    const __m128i n0 = _mm_srli_epi16(_mm_add_epi16(othersLo, left), 2);
    const __m128i n1 = _mm_srli_epi16(_mm_add_epi16(_mm_srli_si128(othersLo, 8), n0), 2);
    const __m128i n2 = _mm_srli_epi16(_mm_add_epi16(othersHi, n1), 2);
    const __m128i n3 = _mm_srli_epi16(_mm_add_epi16(_mm_srli_si128(othersHi, 8), n2), 2);
    const __m128i packed = _mm_packus_epi16(_mm_unpacklo_epi64(n0, n1), _mm_unpacklo_epi64(n2, n3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), packed);
    left = n3;
  }
  for (; i <= last; ++i) {
    const __m128i others = _mm_add_epi16(_mm_add_epi16(widen(loadWord(pixels + i + 1)), widen(loadWord(pixels + i - kRow))),
                                         widen(loadWord(pixels + i + kRow)));
    left = _mm_srli_epi16(_mm_add_epi16(others, left), 2);
    pixels[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(left, left)));
  }
}

}  // namespace orvanta::kernels
