#include "image/blend_kernels.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>

// Four pixels per register, each byte widened to a 16-bit lane. A byte widened into the high
// half of its lane is b << 8, and the high half of (b << 8) * k is exactly (b * k) >> 8, so
// one multiply gives each shifted product; the final pack saturates where the formulas clamp.

namespace orvanta::kernels {
namespace {

__m128i load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void store(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Lane pattern of one pixel repeated twice: blue, green, red, alpha.
__m128i perByte(uint32_t blue, uint32_t green, uint32_t red, uint32_t alpha) {
  return _mm_set_epi16(static_cast<int16_t>(alpha), static_cast<int16_t>(red), static_cast<int16_t>(green),
                       static_cast<int16_t>(blue), static_cast<int16_t>(alpha), static_cast<int16_t>(red),
                       static_cast<int16_t>(green), static_cast<int16_t>(blue));
}

__m128i highLo(__m128i x) { return _mm_unpacklo_epi8(_mm_setzero_si128(), x); }  // b << 8
__m128i highHi(__m128i x) { return _mm_unpackhi_epi8(_mm_setzero_si128(), x); }
__m128i lowLo(__m128i x) { return _mm_unpacklo_epi8(x, _mm_setzero_si128()); }  // b
__m128i lowHi(__m128i x) { return _mm_unpackhi_epi8(x, _mm_setzero_si128()); }

}  // namespace

void fadeToSse2(uint32_t* pixels, size_t count, uint32_t level, uint32_t colour) {
  const uint32_t l = level & 0xFFu;
  const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(255u - l));
  const __m128i towards = perByte(((colour & 0xFFu) * l) >> 8, (((colour >> 8) & 0xFFu) * l) >> 8,
                                  (((colour >> 16) & 0xFFu) * l) >> 8, ((colour >> 24) * l) >> 8);
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i x = load(pixels + i);
    const __m128i lo = _mm_add_epi16(_mm_mulhi_epu16(highLo(x), keep), towards);
    const __m128i hi = _mm_add_epi16(_mm_mulhi_epu16(highHi(x), keep), towards);
    store(pixels + i, _mm_packus_epi16(lo, hi));
  }
  fadeToReference(pixels + i, count - i, level, colour);
}

void brightenSse2(uint32_t* pixels, size_t count, uint32_t amount) {
  const uint32_t k = amount & 0xFFu;
  size_t i = 0;
  if (k == kFullBrightening) {
    // The amount the scenes brighten by (kFullBrightening), in two byte operations.
    const __m128i less = _mm_set1_epi32(static_cast<int>(kFullBrighteningLess));
    for (; i + 4 <= count; i += 4) {
      const __m128i x = load(pixels + i);
      store(pixels + i, _mm_adds_epu8(x, _mm_subs_epu8(x, less)));
    }
    brightenReference(pixels + i, count - i, amount);
    return;
  }
  const __m128i factor = perByte(k, k, k, 0);  // alpha gains nothing
  for (; i + 4 <= count; i += 4) {
    const __m128i x = load(pixels + i);
    const __m128i lo = _mm_add_epi16(lowLo(x), _mm_mulhi_epu16(highLo(x), factor));
    const __m128i hi = _mm_add_epi16(lowHi(x), _mm_mulhi_epu16(highHi(x), factor));
    store(pixels + i, _mm_packus_epi16(lo, hi));
  }
  brightenReference(pixels + i, count - i, amount);
}

void modulateSse2(const uint32_t* source, uint32_t* target, size_t count) {
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i s = load(source + i);
    const __m128i t = load(target + i);
    const __m128i lo = _mm_mulhi_epu16(highLo(t), lowLo(s));
    const __m128i hi = _mm_mulhi_epu16(highHi(t), lowHi(s));
    store(target + i, _mm_packus_epi16(lo, hi));
  }
  modulateReference(source + i, target + i, count - i);
}

void blendOverSse2(const uint32_t* source, uint32_t* destination, size_t count) {
  const __m128i colourOnly = _mm_set1_epi32(0x00FFFFFF);
  const __m128i byteMax = _mm_set1_epi16(255);
  const __m128i opaqueAlpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i less = _mm_set1_epi32(static_cast<int>(kFullBrighteningLess));
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i s = load(source + i);
    const __m128i d = load(destination + i);
    // An overlay is mostly see-through: where all four alphas are 255 each colour byte is
    // (d * 255) >> 8, that is d - 1 down to 0, and alpha 0.
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, opaqueAlpha), opaqueAlpha)) == 0xFFFF) {
      store(destination + i, _mm_subs_epu8(d, less));
      continue;
    }
    // Each pixel's alpha in all four of its lanes; 255 - a is a ^ 255 for a byte.
    const __m128i alpha32 = _mm_srli_epi32(s, 24);
    const __m128i alphaPairs = _mm_or_si128(alpha32, _mm_slli_epi32(alpha32, 16));
    const __m128i alphaLo = _mm_unpacklo_epi32(alphaPairs, alphaPairs);
    const __m128i alphaHi = _mm_unpackhi_epi32(alphaPairs, alphaPairs);
    const __m128i lo = _mm_add_epi16(_mm_mulhi_epu16(highLo(s), _mm_xor_si128(alphaLo, byteMax)),
                                     _mm_mulhi_epu16(highLo(d), alphaLo));
    const __m128i hi = _mm_add_epi16(_mm_mulhi_epu16(highHi(s), _mm_xor_si128(alphaHi, byteMax)),
                                     _mm_mulhi_epu16(highHi(d), alphaHi));
    store(destination + i, _mm_and_si128(_mm_packus_epi16(lo, hi), colourOnly));
  }
  blendOverReference(source + i, destination + i, count - i);
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_VECTORS
