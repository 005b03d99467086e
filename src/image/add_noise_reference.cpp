#include "base/random.h"
#include "image/add_noise_kernels.h"

namespace orvanta::kernels {

NoiseDivisor NoiseDivisor::of(int amount) {
  NoiseDivisor d;
  const int64_t magnitude = amount < 0 ? -static_cast<int64_t>(amount) : amount;
  if (magnitude <= 1) return d;  // no grain: every remainder is 0 (or there is no divisor)
  d.keep = 0xFFFFFFFFu;
  if (magnitude > 32767) return d;  // every draw is its own remainder
  d.divisor = static_cast<uint32_t>(magnitude);
  uint32_t c = 0;
  while ((1u << c) < d.divisor) ++c;
  const uint32_t k = 15 + c;
  d.multiplier = static_cast<uint32_t>(((uint64_t{1} << k) + d.divisor - 1) / d.divisor);
  d.shift = k - 16;
  return d;
}

uint32_t NoiseDivisor::grain(uint32_t draw) const {
  const uint32_t quotient = ((draw * multiplier) >> 16) >> shift;
  const uint32_t remainder = (draw - ((quotient * divisor) & 0xFFFFu)) & keep;
  return remainder < 255u ? remainder : 255u;
}

uint32_t addNoiseReference(uint32_t* pixels, size_t count, int amount, uint32_t state) {
  for (size_t i = 0; i < count; ++i) {
    state = state * kRandomMultiplier + kRandomIncrement;
    if (amount == 0) continue;  // a remainder by zero: no grain
    // The draw is never negative, so its remainder lies in 0 ... |amount| - 1 whatever the sign.
    const int draw = static_cast<int>((state >> 16) & 0x7FFFu);
    const uint32_t d = static_cast<uint32_t>(draw % amount);
    uint32_t out = pixels[i] & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t c = (pixels[i] >> shift) & 0xFFu;
      out |= (c > d ? c - d : 0u) << shift;
    }
    pixels[i] = out;
  }
  return state;
}

}  // namespace orvanta::kernels
