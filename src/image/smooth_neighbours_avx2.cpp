#include "image/smooth_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::kernels {
namespace {

constexpr size_t kRow = 320;

// Four pixels' bytes widened to words, pixels 0-1 in the low lane and 2-3 in the high one.
// The load fills both lanes and an in-lane shuffle widens each half, which keeps the work off
// the one port that moves data across lanes.
ORVANTA_TARGET_AVX2 __m256i widenFour(const uint32_t* p, __m256i spread) {
  return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))), spread);
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
  const __m256i spread = _mm256_setr_epi8(0, -1, 1, -1, 2, -1, 3, -1, 4, -1, 5, -1, 6, -1, 7, -1,  //
                                          8, -1, 9, -1, 10, -1, 11, -1, 12, -1, 13, -1, 14, -1, 15, -1);
  // Each word's low byte to the low eight bytes of its lane.
  const __m256i gather = _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1, -1, -1,  //
                                          0, 2, 4, 6, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1, -1, -1);
  // The carried pixel in every quarter.
  __m256i left = _mm256_cvtepu8_epi16(_mm_set1_epi32(static_cast<int>(pixels[range.first - 1])));
  size_t i = range.first;
  for (; i + 3 <= last; i += 4) {
    const __m256i others =
        _mm256_add_epi16(_mm256_add_epi16(widenFour(pixels + i + 1, spread), widenFour(pixels + i - kRow, spread)),
                         widenFour(pixels + i + kRow, spread));
    const __m256i weighted = _mm256_mullo_epi16(others, weights);
    // Prefix sums over the quarters: within each lane first, then the low lane's total into
    // both quarters of the high lane (zeros into the low one).
    const __m256i pairs = _mm256_add_epi16(weighted, _mm256_slli_si256(weighted, 8));
    const __m256i lowTotal = _mm256_permute2x128_si256(pairs, pairs, 0x08);
    const __m256i sums = _mm256_add_epi16(pairs, _mm256_unpackhi_epi64(lowTotal, lowTotal));  // P0 ... P3
    const __m256i fresh = _mm256_mulhi_epu16(_mm256_add_epi16(left, sums), shifts);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(fresh, gather), _MM_SHUFFLE(3, 1, 2, 0));
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
