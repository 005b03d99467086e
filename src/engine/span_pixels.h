#pragma once
// Byte-wise pixel arithmetic of the span routines: each of the four bytes of a 0xAARRGGBB
// word is treated alike, alpha included.

#include <cstdint>

#include "base/cpu_features.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>
#endif

namespace orvanta::span {

// (a + b) >> 1 per byte. a + b = 2 (a & b) + (a ^ b); masking before the shift keeps each
// byte's low bit from spilling into its neighbour.
inline uint32_t averageBytes(uint32_t a, uint32_t b) { return (a & b) + (((a ^ b) & 0xFEFEFEFEu) >> 1); }

// min(255, a + b) per byte.
inline uint32_t addBytesSaturated(uint32_t a, uint32_t b) {
#if ORVANTA_X86_VECTORS
  return static_cast<uint32_t>(
      _mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(a)), _mm_cvtsi32_si128(static_cast<int>(b)))));
#else
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t sum = ((a >> shift) & 0xFFu) + ((b >> shift) & 0xFFu);
    out |= (sum > 0xFFu ? 0xFFu : sum) << shift;
  }
  return out;
#endif
}

// (a * b) >> 8 per byte.
inline uint32_t multiplyBytes(uint32_t a, uint32_t b) {
#if ORVANTA_X86_VECTORS
  const __m128i zero = _mm_setzero_si128();
  const __m128i wideA = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(a)), zero);
  const __m128i wideB = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(b)), zero);
  const __m128i product = _mm_srli_epi16(_mm_mullo_epi16(wideA, wideB), 8);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(product, zero)));
#else
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    out |= ((((a >> shift) & 0xFFu) * ((b >> shift) & 0xFFu)) >> 8) << shift;
  }
  return out;
#endif
}

}  // namespace orvanta::span

#if ORVANTA_X86_VECTORS
namespace orvanta::span {

// The same arithmetic on four pixels at once.
inline __m128i averageBytes4(__m128i a, __m128i b) {
  const __m128i half = _mm_srli_epi32(_mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi32(static_cast<int>(0xFEFEFEFEu))), 1);
  return _mm_add_epi32(_mm_and_si128(a, b), half);
}

inline __m128i addBytesSaturated4(__m128i a, __m128i b) { return _mm_adds_epu8(a, b); }

inline __m128i multiplyBytes4(__m128i a, __m128i b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)), 8);
  const __m128i high = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)), 8);
  return _mm_packus_epi16(low, high);
}

// Four words loaded from base at the four lane indices.
inline __m128i gather4(const uint32_t* base, __m128i indices) {
  alignas(16) uint32_t lane[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lane), indices);
  return _mm_setr_epi32(static_cast<int>(base[lane[0]]), static_cast<int>(base[lane[1]]),
                        static_cast<int>(base[lane[2]]), static_cast<int>(base[lane[3]]));
}

}  // namespace orvanta::span
#endif

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::span {

// The same arithmetic on eight pixels, for the Avx2 versions.
ORVANTA_TARGET_AVX2 inline __m256i averageBytes8(__m256i a, __m256i b) {
  const __m256i half =
      _mm256_srli_epi32(_mm256_and_si256(_mm256_xor_si256(a, b), _mm256_set1_epi32(static_cast<int>(0xFEFEFEFEu))), 1);
  return _mm256_add_epi32(_mm256_and_si256(a, b), half);
}

ORVANTA_TARGET_AVX2 inline __m256i addBytesSaturated8(__m256i a, __m256i b) { return _mm256_adds_epu8(a, b); }

// Unpacking and packing work within each 128-bit half, so the bytes return to their places.
ORVANTA_TARGET_AVX2 inline __m256i multiplyBytes8(__m256i a, __m256i b) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low =
      _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero)), 8);
  const __m256i high =
      _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero)), 8);
  return _mm256_packus_epi16(low, high);
}

}  // namespace orvanta::span
#endif
