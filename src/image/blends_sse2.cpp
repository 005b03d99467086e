#include <emmintrin.h>

#include "image/blend_kernels.h"

// Four pixels per register, each byte widened to a 16-bit lane: products of two bytes fit,
// the shift by 8 is exact, and the final pack saturates where the formulas clamp at 255.

namespace orvanta::kernels {
namespace {

__m128i load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void store(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Lane pattern of one pixel repeated twice: blue, green, red, alpha.
__m128i perByte(uint16_t blue, uint16_t green, uint16_t red, uint16_t alpha) {
  return _mm_set_epi16(static_cast<int16_t>(alpha), static_cast<int16_t>(red), static_cast<int16_t>(green),
                       static_cast<int16_t>(blue), static_cast<int16_t>(alpha), static_cast<int16_t>(red),
                       static_cast<int16_t>(green), static_cast<int16_t>(blue));
}

__m128i scaled(__m128i lanes, __m128i factor) { return _mm_srli_epi16(_mm_mullo_epi16(lanes, factor), 8); }

}  // namespace

void fadeToSse2(uint32_t* pixels, size_t count, uint32_t level, uint32_t colour) {
  const uint32_t l = level & 0xFFu;
  const __m128i zero = _mm_setzero_si128();
  const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(255u - l));
  const __m128i towards = perByte(static_cast<uint16_t>(((colour & 0xFFu) * l) >> 8),
                                  static_cast<uint16_t>((((colour >> 8) & 0xFFu) * l) >> 8),
                                  static_cast<uint16_t>((((colour >> 16) & 0xFFu) * l) >> 8),
                                  static_cast<uint16_t>(((colour >> 24) * l) >> 8));
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i x = load(pixels + i);
    const __m128i lo = _mm_add_epi16(scaled(_mm_unpacklo_epi8(x, zero), keep), towards);
    const __m128i hi = _mm_add_epi16(scaled(_mm_unpackhi_epi8(x, zero), keep), towards);
    store(pixels + i, _mm_packus_epi16(lo, hi));
  }
  fadeToPlain(pixels + i, count - i, level, colour);
}

void brightenSse2(uint32_t* pixels, size_t count, uint32_t amount) {
  const uint16_t k = static_cast<uint16_t>(amount & 0xFFu);
  const __m128i zero = _mm_setzero_si128();
  const __m128i factor = perByte(k, k, k, 0);  // alpha gains nothing
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i x = load(pixels + i);
    const __m128i lo = _mm_unpacklo_epi8(x, zero);
    const __m128i hi = _mm_unpackhi_epi8(x, zero);
    store(pixels + i, _mm_packus_epi16(_mm_add_epi16(lo, scaled(lo, factor)), _mm_add_epi16(hi, scaled(hi, factor))));
  }
  brightenPlain(pixels + i, count - i, amount);
}

void modulateSse2(const uint32_t* source, uint32_t* target, size_t count) {
  const __m128i zero = _mm_setzero_si128();
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i s = load(source + i);
    const __m128i t = load(target + i);
    const __m128i lo = scaled(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(s, zero));
    const __m128i hi = scaled(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(s, zero));
    store(target + i, _mm_packus_epi16(lo, hi));
  }
  modulatePlain(source + i, target + i, count - i);
}

namespace {

// Two pixels in 16-bit lanes: each pixel's own alpha lane copied into its four lanes.
__m128i alphaOfEach(__m128i lanes) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(lanes, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

__m128i blendPair(__m128i s, __m128i d) {
  const __m128i alpha = alphaOfEach(s);
  const __m128i transparency = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
  return _mm_add_epi16(scaled(s, transparency), scaled(d, alpha));
}

}  // namespace

void blendOverSse2(const uint32_t* source, uint32_t* destination, size_t count) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i colourOnly = _mm_set1_epi32(0x00FFFFFF);
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i s = load(source + i);
    const __m128i d = load(destination + i);
    const __m128i lo = blendPair(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
    const __m128i hi = blendPair(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
    store(destination + i, _mm_and_si128(_mm_packus_epi16(lo, hi), colourOnly));
  }
  blendOverPlain(source + i, destination + i, count - i);
}

}  // namespace orvanta::kernels
