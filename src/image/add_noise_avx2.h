#pragma once
// The Avx2 grain's loop, shared by the grain and the finishing sweep; only for code that runs
// when the processor has AVX2. Thirty-two generator states side by side in four registers,
// each stepping thirty-two places at a time, so the draws come out in their order; the
// remainders are taken in 16-bit lanes. Four registers, not two, because each step is a
// multiply whose latency would otherwise set the pace.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"
#include "base/random.h"
#include "image/add_noise_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::kernels::avx2 {

inline constexpr int kGrainRegisters = 4;
inline constexpr size_t kGrainLanes = 8 * kGrainRegisters;

ORVANTA_TARGET_AVX2 inline __m256i grainOf(__m256i states, __m256i multiplier, __m128i shift, __m256i divisor,
                                           __m256i keep, __m256i spread) {
  const __m256i draw = _mm256_and_si256(_mm256_srli_epi32(states, 16), _mm256_set1_epi32(0x7FFF));
  // Draws and multiplier sit in the low half of each lane, zeros in the high half.
  const __m256i quotient = _mm256_srl_epi32(_mm256_mulhi_epu16(draw, multiplier), shift);
  const __m256i remainder = _mm256_and_si256(_mm256_sub_epi32(draw, _mm256_mullo_epi16(quotient, divisor)), keep);
  const __m256i limited = _mm256_min_epu32(remainder, _mm256_set1_epi32(255));
  return _mm256_shuffle_epi8(limited, spread);  // d into blue, green and red; alpha 0
}

// The grain over the whole groups of kGrainLanes pixels from `pixels` on, each register of
// eight grained pixels passed through then(register, offset of its first pixel) before it is
// stored. Returns how many pixels it took; `state` is advanced by one step per pixel taken.
template <typename Then>
ORVANTA_TARGET_AVX2 inline size_t addNoiseThen(uint32_t* pixels, size_t count, int amount, uint32_t& state,
                                               Then then) {
  if (count < kGrainLanes) return 0;
  constexpr RandomJump kStep = randomJump(kGrainLanes);
  const NoiseDivisor d = NoiseDivisor::of(amount);
  alignas(32) uint32_t first[kGrainLanes];
  uint32_t s = state;
  for (uint32_t& lane : first) {
    s = s * kRandomMultiplier + kRandomIncrement;
    lane = s;
  }
  __m256i states[kGrainRegisters];
  for (int r = 0; r < kGrainRegisters; ++r) {
    states[r] = _mm256_load_si256(reinterpret_cast<const __m256i*>(first + 8 * r));
  }
  const __m256i stepMultiplier = _mm256_set1_epi32(static_cast<int>(kStep.multiplier));
  const __m256i stepIncrement = _mm256_set1_epi32(static_cast<int>(kStep.increment));
  const __m256i multiplier = _mm256_set1_epi32(static_cast<int>(d.multiplier));
  const __m128i shift = _mm_cvtsi32_si128(static_cast<int>(d.shift));
  const __m256i divisor = _mm256_set1_epi32(static_cast<int>(d.divisor));
  const __m256i keep = _mm256_set1_epi32(static_cast<int>(d.keep));
  const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1,  //
                                          0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
  __m256i drawn = states[kGrainRegisters - 1];  // the states of the latest eight pixels
  size_t i = 0;
  for (; i + kGrainLanes <= count; i += kGrainLanes) {
    for (int r = 0; r < kGrainRegisters; ++r) {
      const __m256i grain = grainOf(states[r], multiplier, shift, divisor, keep, spread);
      __m256i* at = reinterpret_cast<__m256i*>(pixels + i + 8 * r);
      _mm256_storeu_si256(at, then(_mm256_subs_epu8(_mm256_loadu_si256(at), grain), i + 8 * r));
    }
    drawn = states[kGrainRegisters - 1];
    for (__m256i& lanes : states) lanes = _mm256_add_epi32(_mm256_mullo_epi32(lanes, stepMultiplier), stepIncrement);
  }
  state = static_cast<uint32_t>(_mm256_extract_epi32(drawn, 7));
  return i;
}

}  // namespace orvanta::kernels::avx2

#endif  // ORVANTA_X86_AVX2
