#include "image/blend_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

// The blends eight pixels at a time; only called when the processor has AVX2. The fade and the
// multiply widen each byte to a 16-bit lane and pack back. Brighten and the alpha blend use no
// byte shuffles, which measured faster for them: a pixel's bytes are split into its even bytes
// (blue, red) and odd bytes (green, alpha), each shifted to the top of a 16-bit lane, so one
// high-half multiply gives (byte * k) >> 8 per channel, and the halves are joined by a shift
// and an or.

namespace orvanta::kernels {
namespace {

ORVANTA_TARGET_AVX2 __m256i load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
ORVANTA_TARGET_AVX2 void store(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

ORVANTA_TARGET_AVX2 __m256i perByte(uint32_t blue, uint32_t green, uint32_t red, uint32_t alpha) {
  const uint64_t pixel = uint64_t{blue} | (uint64_t{green} << 16) | (uint64_t{red} << 32) | (uint64_t{alpha} << 48);
  return _mm256_set1_epi64x(static_cast<long long>(pixel));
}

// Each byte widened to a 16-bit lane, at the top (b << 8) or the bottom; unpacking works within
// each 128-bit half, and packing puts every pixel back in its place.
ORVANTA_TARGET_AVX2 __m256i highLo(__m256i x) { return _mm256_unpacklo_epi8(_mm256_setzero_si256(), x); }
ORVANTA_TARGET_AVX2 __m256i highHi(__m256i x) { return _mm256_unpackhi_epi8(_mm256_setzero_si256(), x); }
ORVANTA_TARGET_AVX2 __m256i lowLo(__m256i x) { return _mm256_unpacklo_epi8(x, _mm256_setzero_si256()); }
ORVANTA_TARGET_AVX2 __m256i lowHi(__m256i x) { return _mm256_unpackhi_epi8(x, _mm256_setzero_si256()); }

// Blue and red, green and alpha, each byte << 8 in its 16-bit lane.
ORVANTA_TARGET_AVX2 __m256i evenHigh(__m256i x) { return _mm256_slli_epi16(x, 8); }
ORVANTA_TARGET_AVX2 __m256i oddHigh(__m256i x) {
  return _mm256_and_si256(x, _mm256_set1_epi32(static_cast<int>(0xFF00FF00u)));
}
// Pixels again from even and odd results below 256.
ORVANTA_TARGET_AVX2 __m256i joined(__m256i even, __m256i odd) {
  return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}

// k in the lanes of two channels, one per 16-bit half of each pixel.
ORVANTA_TARGET_AVX2 __m256i pairOf(uint32_t low, uint32_t high) {
  return _mm256_set1_epi32(static_cast<int>(low | (high << 16)));
}

}  // namespace

ORVANTA_TARGET_AVX2 void fadeToAvx2(uint32_t* pixels, size_t count, uint32_t level, uint32_t colour) {
  const uint32_t l = level & 0xFFu;
  const __m256i keep = _mm256_set1_epi16(static_cast<int16_t>(255u - l));
  const __m256i towards = perByte(((colour & 0xFFu) * l) >> 8, (((colour >> 8) & 0xFFu) * l) >> 8,
                                  (((colour >> 16) & 0xFFu) * l) >> 8, ((colour >> 24) * l) >> 8);
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i x = load(pixels + i);
    const __m256i lo = _mm256_add_epi16(_mm256_mulhi_epu16(highLo(x), keep), towards);
    const __m256i hi = _mm256_add_epi16(_mm256_mulhi_epu16(highHi(x), keep), towards);
    store(pixels + i, _mm256_packus_epi16(lo, hi));
  }
  fadeToSse2(pixels + i, count - i, level, colour);
}

// x + (x * k) >> 8 per colour byte, saturated; the added bytes are below 255, so a saturating
// byte add finishes it.
ORVANTA_TARGET_AVX2 void brightenAvx2(uint32_t* pixels, size_t count, uint32_t amount) {
  const uint32_t k = amount & 0xFFu;
  size_t i = 0;
  if (k == kFullBrightening) {
    // The amount the scenes brighten by (kFullBrightening), in two byte operations.
    const __m256i less = _mm256_set1_epi32(static_cast<int>(kFullBrighteningLess));
    for (; i + 8 <= count; i += 8) {
      const __m256i x = load(pixels + i);
      store(pixels + i, _mm256_adds_epu8(x, _mm256_subs_epu8(x, less)));
    }
    brightenSse2(pixels + i, count - i, amount);
    return;
  }
  const __m256i factorEven = pairOf(k, k);
  const __m256i factorOdd = pairOf(k, 0);
  for (; i + 8 <= count; i += 8) {
    const __m256i x = load(pixels + i);
    const __m256i added =
        joined(_mm256_mulhi_epu16(evenHigh(x), factorEven), _mm256_mulhi_epu16(oddHigh(x), factorOdd));
    store(pixels + i, _mm256_adds_epu8(x, added));
  }
  brightenSse2(pixels + i, count - i, amount);
}

ORVANTA_TARGET_AVX2 void modulateAvx2(const uint32_t* source, uint32_t* target, size_t count) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i s = load(source + i);
    const __m256i t = load(target + i);
    store(target + i, _mm256_packus_epi16(_mm256_mulhi_epu16(highLo(t), lowLo(s)),
                                          _mm256_mulhi_epu16(highHi(t), lowHi(s))));
  }
  modulateSse2(source + i, target + i, count - i);
}

ORVANTA_TARGET_AVX2 void blendOverAvx2(const uint32_t* source, uint32_t* destination, size_t count) {
  const __m256i colourOnly = _mm256_set1_epi32(0x00FFFFFF);
  const __m256i byteMax = _mm256_set1_epi16(255);
  const __m256i opaqueAlpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i less = _mm256_set1_epi32(static_cast<int>(kFullBrighteningLess));
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i s = load(source + i);
    const __m256i d = load(destination + i);
    // An overlay is mostly see-through: where all eight alphas are 255 each colour byte is
    // (d * 255) >> 8, that is d - 1 down to 0, and alpha 0.
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(s, opaqueAlpha), opaqueAlpha)) == -1) {
      store(destination + i, _mm256_subs_epu8(d, less));
      continue;
    }
    const __m256i alpha32 = _mm256_srli_epi32(s, 24);
    const __m256i alpha = _mm256_or_si256(alpha32, _mm256_slli_epi32(alpha32, 16));  // in both halves
    const __m256i rest = _mm256_xor_si256(alpha, byteMax);                          // 255 - alpha
    const __m256i even = _mm256_add_epi16(_mm256_mulhi_epu16(evenHigh(s), rest), _mm256_mulhi_epu16(evenHigh(d), alpha));
    const __m256i odd = _mm256_add_epi16(_mm256_mulhi_epu16(oddHigh(s), rest), _mm256_mulhi_epu16(oddHigh(d), alpha));
    store(destination + i, _mm256_and_si256(joined(even, odd), colourOnly));
  }
  blendOverSse2(source + i, destination + i, count - i);
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
