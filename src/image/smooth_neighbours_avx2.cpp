#include "image/smooth_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::kernels {
namespace {

constexpr size_t kRow = 320;

// The folded step of smoothNeighboursSse2 (four sequential pixels as one, see there) over four
// pixels whose colours are split across the lanes: blue and red words in the low lane, green
// and alpha in the high one, pixel j in double word j of each. Every move stays within a
// lane, so the two blocks of a loop step need one move across lanes between them, at the pack.
struct SplitBlock {
  __m256i weights;  // byte pairs picking the low lane's or the high lane's colours, times 4^j
  __m256i shifts;   // the division by 4^(j + 1) as a high multiply
};

// Four pixels of one neighbour row in the split layout, pixel j times 4^j.
ORVANTA_TARGET_AVX2 inline __m256i weighted(const uint32_t* p, __m256i weights) {
  return _mm256_maddubs_epi16(_mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                              weights);
}

// Pixel j's sum c_0 + 4 c_1 + ... + 4^j c_j of the three neighbours it does not carry, in
// both lanes; the largest, 85 x 765, fits a word read as unsigned.
ORVANTA_TARGET_AVX2 inline __m256i prefixSums(const uint32_t* at, const SplitBlock& block) {
  const __m256i right = weighted(at + 1, block.weights);
  const __m256i up = weighted(at - kRow, block.weights);
  const __m256i down = weighted(at + kRow, block.weights);
  const __m256i sums = _mm256_add_epi16(_mm256_add_epi16(right, up), down);
  const __m256i pairs = _mm256_add_epi16(sums, _mm256_bslli_epi128(sums, 4));
  return _mm256_add_epi16(pairs, _mm256_bslli_epi128(pairs, 8));
}

}  // namespace

// Eight pixels a step as two folded blocks of four, the carried pixel (in the split layout,
// in every double word) passing from the first to the second.
ORVANTA_TARGET_AVX2 void smoothNeighboursAvx2(uint32_t* pixels, size_t count, size_t from, size_t to) {
  const SmoothRange range = smoothRange(count, from, to);
  if (range.first >= range.end) return;
  const size_t last = range.end - 1;
  const SplitBlock block{
      _mm256_setr_epi8(1, 0, 1, 0, 4, 0, 4, 0, 16, 0, 16, 0, 64, 0, 64, 0,  //
                       0, 1, 0, 1, 0, 4, 0, 4, 0, 16, 0, 16, 0, 64, 0, 64),
      _mm256_setr_epi16(1 << 14, 1 << 14, 1 << 12, 1 << 12, 1 << 10, 1 << 10, 1 << 8, 1 << 8,  //
                        1 << 14, 1 << 14, 1 << 12, 1 << 12, 1 << 10, 1 << 10, 1 << 8, 1 << 8)};
  // After the pack each lane holds one block: its blue and red bytes, then its green and alpha.
  const __m256i interleave = _mm256_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15,  //
                                              0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15);
  const __m256i splitLeft = _mm256_setr_epi8(0, -1, 2, -1, 0, -1, 2, -1, 0, -1, 2, -1, 0, -1, 2, -1,  //
                                             1, -1, 3, -1, 1, -1, 3, -1, 1, -1, 3, -1, 1, -1, 3, -1);
  __m256i left = _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(pixels[range.first - 1])), splitLeft);
  size_t i = range.first;
  for (; i + 7 <= last; i += 8) {
    const __m256i firstSums = prefixSums(pixels + i, block);
    const __m256i secondSums = prefixSums(pixels + i + 4, block);
    const __m256i first = _mm256_mulhi_epu16(_mm256_add_epi16(left, firstSums), block.shifts);
    left = _mm256_srli_epi16(_mm256_add_epi16(left, _mm256_shuffle_epi32(firstSums, 0xFF)), 8);
    const __m256i second = _mm256_mulhi_epu16(_mm256_add_epi16(left, secondSums), block.shifts);
    left = _mm256_srli_epi16(_mm256_add_epi16(left, _mm256_shuffle_epi32(secondSums, 0xFF)), 8);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), _MM_SHUFFLE(3, 1, 2, 0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + i), _mm256_shuffle_epi8(packed, interleave));
  }
  // The carried pixel back together: blue and red from the low lane, green and alpha from the high.
  const __m128i carriedWords = _mm_or_si128(_mm256_castsi256_si128(left),
                                            _mm_slli_epi16(_mm256_extracti128_si256(left, 1), 8));
  uint32_t carried = static_cast<uint32_t>(_mm_cvtsi128_si32(carriedWords));
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
