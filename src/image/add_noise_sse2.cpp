#include "image/add_noise_kernels.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>

#include "base/random.h"

namespace orvanta::kernels {
namespace {

// Four steps of the generator at once, so four states run side by side and still give the one
// sequence in its order.
constexpr RandomJump kFourSteps = randomJump(4);
constexpr uint32_t kA4 = kFourSteps.multiplier;
constexpr uint32_t kC4 = kFourSteps.increment;

// draw % amount without a division. Draws are below 2^15, and for divisors below 2^17 the
// rounded-up reciprocal gives the exact quotient of every such draw.
struct Remainder {
  uint64_t reciprocal = 0;
  uint32_t divisor = 0;  // 0: no grain; 1 ... 32767: divide; larger: the draw itself
  uint32_t of(uint32_t draw) const {
    if (divisor > 32767u) return draw;
    const uint32_t quotient = static_cast<uint32_t>((draw * reciprocal) >> 32);
    return draw - quotient * divisor;
  }
};

Remainder remainderBy(int amount) {
  Remainder r;
  // C's remainder takes the dividend's sign, so a negative amount acts as its magnitude; an
  // amount of 0 would divide by zero and adds no grain instead.
  const int64_t magnitude = amount < 0 ? -static_cast<int64_t>(amount) : amount;
  if (magnitude == 0) return r;
  r.divisor = magnitude > 32767 ? 32768u : static_cast<uint32_t>(magnitude);
  if (r.divisor <= 32767u) r.reciprocal = (uint64_t{1} << 32) / r.divisor + 1u;
  return r;
}

uint32_t drawOf(uint32_t state) { return (state >> 16) & 0x7FFFu; }

// The same darkening for red, green and blue: d limited to 255, alpha byte untouched.
uint32_t grainWord(const Remainder& r, uint32_t draw) {
  if (r.divisor == 0) return 0;
  uint32_t d = r.of(draw);
  if (d > 255u) d = 255u;
  return d * 0x00010101u;
}

}  // namespace

uint32_t addNoiseSse2(uint32_t* pixels, size_t count, int amount, uint32_t state) {
  const Remainder remainder = remainderBy(amount);
  size_t i = 0;
  if (count >= 4) {
    uint32_t s0 = state * kRandomMultiplier + kRandomIncrement;
    uint32_t s1 = s0 * kRandomMultiplier + kRandomIncrement;
    uint32_t s2 = s1 * kRandomMultiplier + kRandomIncrement;
    uint32_t s3 = s2 * kRandomMultiplier + kRandomIncrement;
    for (; i + 4 <= count; i += 4) {
      const __m128i grain = _mm_set_epi32(
          static_cast<int>(grainWord(remainder, drawOf(s3))), static_cast<int>(grainWord(remainder, drawOf(s2))),
          static_cast<int>(grainWord(remainder, drawOf(s1))), static_cast<int>(grainWord(remainder, drawOf(s0))));
      __m128i* at = reinterpret_cast<__m128i*>(pixels + i);
      _mm_storeu_si128(at, _mm_subs_epu8(_mm_loadu_si128(at), grain));
      state = s3;
      s0 = s0 * kA4 + kC4;
      s1 = s1 * kA4 + kC4;
      s2 = s2 * kA4 + kC4;
      s3 = s3 * kA4 + kC4;
    }
  }
  for (; i < count; ++i) {
    state = state * kRandomMultiplier + kRandomIncrement;
    const __m128i grain = _mm_cvtsi32_si128(static_cast<int>(grainWord(remainder, drawOf(state))));
    pixels[i] = static_cast<uint32_t>(
        _mm_cvtsi128_si32(_mm_subs_epu8(_mm_cvtsi32_si128(static_cast<int>(pixels[i])), grain)));
  }
  return state;
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_VECTORS
