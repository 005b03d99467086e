#include "image/smooth_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::kernels {
namespace {

constexpr size_t kRow = 320;

ORVANTA_TARGET_AVX2 __m256i widenFour(const uint32_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// The quarters of x moved up by one (two) places, zeros coming in.
ORVANTA_TARGET_AVX2 __m256i upOneQuarter(__m256i x) {
  return _mm256_blend_epi32(_mm256_permute4x64_epi64(x, _MM_SHUFFLE(2, 1, 0, 0)), _mm256_setzero_si256(), 0x03);
}
ORVANTA_TARGET_AVX2 __m256i upTwoQuarters(__m256i x) {
  return _mm256_blend_epi32(_mm256_permute4x64_epi64(x, _MM_SHUFFLE(1, 0, 0, 0)), _mm256_setzero_si256(), 0x0F);
}

}  // namespace

// The folded sweep of smoothNeighboursSse2 (four sequential steps as one, see there) with the
// four pixels of a step in the quarters of one register: pixel j's sum c_0 + 4 c_1 + ... +
// 4^j c_j is a prefix sum across the quarters.
ORVANTA_TARGET_AVX2 void smoothNeighboursAvx2(uint32_t* pixels, size_t count, size_t from, size_t to) {
  const SmoothRange range = smoothRange(count, from, to);
  if (range.first >= range.end) return;
  const size_t last = range.end - 1;
  const __m256i weights = _mm256_setr_epi16(1, 1, 1, 1, 4, 4, 4, 4, 16, 16, 16, 16, 64, 64, 64, 64);
  const __m256i shifts = _mm256_setr_epi16(1 << 14, 1 << 14, 1 << 14, 1 << 14, 1 << 12, 1 << 12, 1 << 12, 1 << 12,
                                           1 << 10, 1 << 10, 1 << 10, 1 << 10, 1 << 8, 1 << 8, 1 << 8, 1 << 8);
  // The carried pixel in every quarter.
  __m256i left = _mm256_cvtepu8_epi16(_mm_set1_epi32(static_cast<int>(pixels[range.first - 1])));
  size_t i = range.first;
  for (; i + 3 <= last; i += 4) {
    const __m256i others = _mm256_add_epi16(_mm256_add_epi16(widenFour(pixels + i + 1), widenFour(pixels + i - kRow)),
                                            widenFour(pixels + i + kRow));
    const __m256i weighted = _mm256_mullo_epi16(others, weights);
    const __m256i pairs = _mm256_add_epi16(weighted, upOneQuarter(weighted));
    const __m256i sums = _mm256_add_epi16(pairs, upTwoQuarters(pairs));  // P0, P1, P2, P3
    const __m256i fresh = _mm256_mulhi_epu16(_mm256_add_epi16(left, sums), shifts);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(fresh, fresh), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), _mm256_castsi256_si128(packed));
    left = _mm256_srli_epi16(_mm256_add_epi16(left, _mm256_permute4x64_epi64(sums, _MM_SHUFFLE(3, 3, 3, 3))), 8);
  }
  uint32_t carried = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm256_castsi256_si128(left), _mm_setzero_si128())));
  for (; i <= last; ++i) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t sum = ((carried >> shift) & 0xFFu) + ((pixels[i + 1] >> shift) & 0xFFu) +
                           ((pixels[i - kRow] >> shift) & 0xFFu) + ((pixels[i + kRow] >> shift) & 0xFFu);
      out |= (sum >> 2) << shift;
    }
    pixels[i] = out;
    carried = out;
  }
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
