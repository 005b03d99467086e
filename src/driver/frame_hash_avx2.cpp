#include "driver/frame_hash_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::kernels {
namespace {

// hash × (2^40 + 435) in every lane: 3h, then 3h + 48h + 384h + 2^40 h.
ORVANTA_TARGET_AVX2 inline __m256i timesPrime(__m256i h) {
  const __m256i three = _mm256_add_epi64(_mm256_add_epi64(h, h), h);
  const __m256i low = _mm256_add_epi64(three, _mm256_slli_epi64(three, 4));
  const __m256i high = _mm256_add_epi64(_mm256_slli_epi64(three, 7), _mm256_slli_epi64(h, 40));
  return _mm256_add_epi64(low, high);
}

// Eight pixels (32 bytes) of four frames, byte-interleaved: word j of `out` holds byte j of
// each frame, frame k in byte k, ready to be widened into the four 64-bit lanes.
ORVANTA_TARGET_AVX2 inline void interleave(const uint32_t* const* four, size_t at, uint32_t (&out)[32]) {
  const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(four[0] + at));
  const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(four[1] + at));
  const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(four[2] + at));
  const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(four[3] + at));
  const __m256i abLow = _mm256_unpacklo_epi8(a, b), abHigh = _mm256_unpackhi_epi8(a, b);
  const __m256i cdLow = _mm256_unpacklo_epi8(c, d), cdHigh = _mm256_unpackhi_epi8(c, d);
  // Each 128-bit half holds its own sixteen bytes: 0-3, 4-7, 8-11, 12-15 of the half.
  const __m256i quarter[4] = {_mm256_unpacklo_epi16(abLow, cdLow), _mm256_unpackhi_epi16(abLow, cdLow),
                              _mm256_unpacklo_epi16(abHigh, cdHigh), _mm256_unpackhi_epi16(abHigh, cdHigh)};
  for (int q = 0; q < 4; ++q) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * q), _mm256_castsi256_si128(quarter[q]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 + 4 * q), _mm256_extracti128_si256(quarter[q], 1));
  }
}

}  // namespace

ORVANTA_TARGET_AVX2 void hashTwelveAvx2(const uint32_t* const (&frames)[12], size_t pixelCount,
                                        uint64_t (&hashes)[12]) {
  constexpr int kScalar = 8;
  uint64_t scalar[kScalar];
  for (uint64_t& hash : scalar) hash = kFnvOffsetBasis;
  __m256i lanes = _mm256_set1_epi64x(static_cast<long long>(kFnvOffsetBasis));
  alignas(32) uint32_t bytes[32];
  size_t i = 0;
  for (; i + 8 <= pixelCount; i += 8) {
    interleave(frames + kScalar, i, bytes);
    for (int b = 0; b < 32; ++b) {
      // The scalar chains read their bytes straight from memory (x86 is little-endian): a
      // load port does the extraction, so the ALU ports keep only the xor and the multiply.
      for (int k = 0; k < kScalar; ++k) {
        scalar[k] = fnvStep(scalar[k], reinterpret_cast<const uint8_t*>(frames[k] + i)[b]);
      }
      const __m256i byte = _mm256_cvtepu8_epi64(_mm_cvtsi32_si128(static_cast<int>(bytes[b])));
      lanes = timesPrime(_mm256_xor_si256(lanes, byte));
    }
  }
  for (int k = 0; k < kScalar; ++k) hashes[k] = scalar[k];
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(hashes + kScalar), lanes);
  // The last pixels of a count that is not a multiple of eight, one chain at a time.
  for (int k = 0; k < 12; ++k) {
    for (size_t j = i; j < pixelCount; ++j) {
      for (int s = 0; s < 32; s += 8) hashes[k] = fnvStep(hashes[k], (frames[k][j] >> s) & 0xFFu);
    }
  }
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
