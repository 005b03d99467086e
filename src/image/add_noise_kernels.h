#pragma once
// The grain as loops over raw pixel runs that take the generator's state and return it
// advanced by one step per pixel. Every version gives the words of the per-pixel formula.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"

namespace orvanta::kernels {

// draw % amount for draws 0 ... 32767 with a multiply in 16-bit lanes. With c = ceil(log2 d)
// and k = 15 + c, m = ceil(2^k / d) is below 2^16 and (x * m) >> k is the exact quotient of
// every x below 2^15: m * d - 2^k is below d <= 2^c, so x times it stays below 2^k.
struct NoiseDivisor {
  uint32_t divisor = 0;     // d: 2 ... 32767; 0 when the remainder is the draw itself
  uint32_t multiplier = 0;  // m
  uint32_t shift = 0;       // k - 16
  uint32_t keep = 0;        // 0xFFFFFFFF, or 0 where no grain is added (amount 0 or +-1)

  static NoiseDivisor of(int amount);
  // The remainder as the vector lanes compute it, limited to 255.
  uint32_t grain(uint32_t draw) const;
};

// One pixel at a time, the formula as it reads.
uint32_t addNoiseReference(uint32_t* pixels, size_t count, int amount, uint32_t state);
#if ORVANTA_X86_VECTORS
// Four steps of the generator at a time (same numbers, same order).
uint32_t addNoiseSse2(uint32_t* pixels, size_t count, int amount, uint32_t state);
// Thirty-two steps at a time, only when cpu::hasAvx2().
uint32_t addNoiseAvx2(uint32_t* pixels, size_t count, int amount, uint32_t state);
#endif

}  // namespace orvanta::kernels
