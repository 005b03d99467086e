#pragma once
// The blends on one register of eight pixels, shared by the blend loops and the finishing
// sweep; only for code that runs when the processor has AVX2. The fade and the multiply widen
// each byte to a 16-bit lane and pack back. Brighten and the alpha blend use no byte shuffles,
// which measured faster for them: a pixel's bytes are split into its even bytes (blue, red)
// and odd bytes (green, alpha), each shifted to the top of a 16-bit lane, so one high-half
// multiply gives (byte * k) >> 8 per channel, and the halves are joined by a shift and an or.

#include "base/cpu_features.h"
#include "image/blend_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::kernels::avx2 {

ORVANTA_TARGET_AVX2 inline __m256i load(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
ORVANTA_TARGET_AVX2 inline void store(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Each byte widened to a 16-bit lane, at the top (b << 8) or the bottom; unpacking works within
// each 128-bit half, and packing puts every pixel back in its place.
ORVANTA_TARGET_AVX2 inline __m256i highLo(__m256i x) { return _mm256_unpacklo_epi8(_mm256_setzero_si256(), x); }
ORVANTA_TARGET_AVX2 inline __m256i highHi(__m256i x) { return _mm256_unpackhi_epi8(_mm256_setzero_si256(), x); }
ORVANTA_TARGET_AVX2 inline __m256i lowLo(__m256i x) { return _mm256_unpacklo_epi8(x, _mm256_setzero_si256()); }
ORVANTA_TARGET_AVX2 inline __m256i lowHi(__m256i x) { return _mm256_unpackhi_epi8(x, _mm256_setzero_si256()); }

// Blue and red, green and alpha, each byte << 8 in its 16-bit lane.
ORVANTA_TARGET_AVX2 inline __m256i evenHigh(__m256i x) { return _mm256_slli_epi16(x, 8); }
ORVANTA_TARGET_AVX2 inline __m256i oddHigh(__m256i x) {
  return _mm256_and_si256(x, _mm256_set1_epi32(static_cast<int>(0xFF00FF00u)));
}
// Pixels again from even and odd results below 256.
ORVANTA_TARGET_AVX2 inline __m256i joined(__m256i even, __m256i odd) {
  return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}

// (target * source) >> 8 per byte.
ORVANTA_TARGET_AVX2 inline __m256i modulated(__m256i target, __m256i source) {
  return _mm256_packus_epi16(_mm256_mulhi_epu16(highLo(target), lowLo(source)),
                             _mm256_mulhi_epu16(highHi(target), lowHi(source)));
}

// Brightened by kFullBrightening, in two byte operations (see kFullBrighteningLess).
ORVANTA_TARGET_AVX2 inline __m256i brightenedFully(__m256i x) {
  return _mm256_adds_epu8(x, _mm256_subs_epu8(x, _mm256_set1_epi32(static_cast<int>(kFullBrighteningLess))));
}

// The source blended over the destination.
ORVANTA_TARGET_AVX2 inline __m256i blendedOver(__m256i s, __m256i d) {
  const __m256i opaqueAlpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  // An overlay is mostly see-through: where all eight alphas are 255 each colour byte is
  // (d * 255) >> 8, that is d - 1 down to 0, and alpha 0.
  if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(s, opaqueAlpha), opaqueAlpha)) == -1) {
    return _mm256_subs_epu8(d, _mm256_set1_epi32(static_cast<int>(kFullBrighteningLess)));
  }
  const __m256i byteMax = _mm256_set1_epi16(255);
  const __m256i alpha32 = _mm256_srli_epi32(s, 24);
  const __m256i alpha = _mm256_or_si256(alpha32, _mm256_slli_epi32(alpha32, 16));  // in both halves
  const __m256i rest = _mm256_xor_si256(alpha, byteMax);                          // 255 - alpha
  const __m256i even = _mm256_add_epi16(_mm256_mulhi_epu16(evenHigh(s), rest), _mm256_mulhi_epu16(evenHigh(d), alpha));
  const __m256i odd = _mm256_add_epi16(_mm256_mulhi_epu16(oddHigh(s), rest), _mm256_mulhi_epu16(oddHigh(d), alpha));
  return _mm256_and_si256(joined(even, odd), _mm256_set1_epi32(0x00FFFFFF));
}

}  // namespace orvanta::kernels::avx2

#endif  // ORVANTA_X86_AVX2
