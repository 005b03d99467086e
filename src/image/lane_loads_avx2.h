#pragma once
// Words loaded from an array at the indices in a register's lanes, in either way of
// cpu::LaneLoads: the same words, at the speed of the processor's better way. Every index
// must lie inside the array.

#include <cstdint>

#include "base/cpu_features.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta {

template <cpu::LaneLoads kWay>
ORVANTA_TARGET_AVX2 inline __m128i loadLanes(const uint32_t* words, __m128i index) {
  const int* const base = reinterpret_cast<const int*>(words);
  if constexpr (kWay == cpu::LaneLoads::kGather) {
    return _mm_i32gather_epi32(base, index, 4);
  } else {
    return _mm_setr_epi32(base[_mm_cvtsi128_si32(index)], base[_mm_extract_epi32(index, 1)],
                          base[_mm_extract_epi32(index, 2)], base[_mm_extract_epi32(index, 3)]);
  }
}

template <cpu::LaneLoads kWay>
ORVANTA_TARGET_AVX2 inline __m256i loadLanes(const uint32_t* words, __m256i index) {
  if constexpr (kWay == cpu::LaneLoads::kGather) {
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(words), index, 4);
  } else {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(loadLanes<kWay>(words, _mm256_castsi256_si128(index))),
                                   loadLanes<kWay>(words, _mm256_extracti128_si256(index, 1)), 1);
  }
}

// Runs body.template operator()<kWay>() with the way named at run time, so that a kernel
// written once as a template on the way is compiled for both and its loops test nothing.
template <typename Body>
inline void withLaneLoads(cpu::LaneLoads loads, Body&& body) {
  if (loads == cpu::LaneLoads::kGather) {
    body.template operator()<cpu::LaneLoads::kGather>();
  } else {
    body.template operator()<cpu::LaneLoads::kSingle>();
  }
}

}  // namespace orvanta

#endif  // ORVANTA_X86_AVX2
