#include "image/blend_kernels.h"
#include "image/blends_avx2.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

// The blends eight pixels at a time; only called when the processor has AVX2.

namespace orvanta::kernels {
namespace {

using namespace avx2;

ORVANTA_TARGET_AVX2 __m256i perByte(uint32_t blue, uint32_t green, uint32_t red, uint32_t alpha) {
  const uint64_t pixel = uint64_t{blue} | (uint64_t{green} << 16) | (uint64_t{red} << 32) | (uint64_t{alpha} << 48);
  return _mm256_set1_epi64x(static_cast<long long>(pixel));
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
    // The amount the scenes brighten by.
    for (; i + 8 <= count; i += 8) store(pixels + i, brightenedFully(load(pixels + i)));
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
  for (; i + 8 <= count; i += 8) store(target + i, modulated(load(target + i), load(source + i)));
  modulateSse2(source + i, target + i, count - i);
}

ORVANTA_TARGET_AVX2 void blendOverAvx2(const uint32_t* source, uint32_t* destination, size_t count) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) store(destination + i, blendedOver(load(source + i), load(destination + i)));
  blendOverSse2(source + i, destination + i, count - i);
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
