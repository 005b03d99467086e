#include "image/finish_kernels.h"

#if ORVANTA_X86_AVX2
#include "image/add_noise_avx2.h"
#include "image/blends_avx2.h"

namespace orvanta::kernels {
namespace {

// The passes after the grain on eight pixels whose mask and overlay words are at `at`; the
// passes are fixed per instance, so that the sweep's loop holds no tests.
template <bool kMask, int kBrightenings, bool kOverlay>
struct AfterGrain {
  const uint32_t* mask;
  const uint32_t* overlay;

  ORVANTA_TARGET_AVX2 __m256i operator()(__m256i pixels, size_t at) const {
    if constexpr (kMask) pixels = avx2::modulated(pixels, avx2::load(mask + at));
    for (int k = 0; k < kBrightenings; ++k) pixels = avx2::brightenedFully(pixels);
    if constexpr (kOverlay) pixels = avx2::blendedOver(avx2::load(overlay + at), pixels);
    return pixels;
  }
};

// Grain (when kGrain) and the passes after it over the whole registers of the run; returns how
// many pixels it took.
template <bool kGrain, bool kMask, int kBrightenings, bool kOverlay>
ORVANTA_TARGET_AVX2 size_t sweep(uint32_t* pixels, size_t count, const FinishPasses& passes, uint32_t& state) {
  const AfterGrain<kMask, kBrightenings, kOverlay> after{passes.mask, passes.overlay};
  if constexpr (kGrain) return avx2::addNoiseThen(pixels, count, passes.amount, state, after);
  size_t done = 0;
  for (; done + 8 <= count; done += 8) avx2::store(pixels + done, after(avx2::load(pixels + done), done));
  return done;
}

// The sweep for the passes asked for, with at most two brightenings (none below zero).
template <bool kGrain, bool kMask, bool kOverlay>
ORVANTA_TARGET_AVX2 size_t sweepFor(uint32_t* pixels, size_t count, const FinishPasses& passes, uint32_t& state) {
  switch (passes.brightenings) {
    case 1:
      return sweep<kGrain, kMask, 1, kOverlay>(pixels, count, passes, state);
    case 2:
      return sweep<kGrain, kMask, 2, kOverlay>(pixels, count, passes, state);
    default:
      return sweep<kGrain, kMask, 0, kOverlay>(pixels, count, passes, state);
  }
}

}  // namespace

ORVANTA_TARGET_AVX2 size_t finishAvx2(uint32_t* pixels, size_t count, const FinishPasses& passes, uint32_t& state) {
  if (passes.brightenings > 2) return 0;  // rare enough to go pass after pass
  const bool mask = passes.mask != nullptr;
  const bool overlay = passes.overlay != nullptr;
  if (passes.grain) {
    return mask ? (overlay ? sweepFor<true, true, true>(pixels, count, passes, state)
                           : sweepFor<true, true, false>(pixels, count, passes, state))
                : (overlay ? sweepFor<true, false, true>(pixels, count, passes, state)
                           : sweepFor<true, false, false>(pixels, count, passes, state));
  }
  return mask ? (overlay ? sweepFor<false, true, true>(pixels, count, passes, state)
                         : sweepFor<false, true, false>(pixels, count, passes, state))
              : (overlay ? sweepFor<false, false, true>(pixels, count, passes, state)
                         : sweepFor<false, false, false>(pixels, count, passes, state));
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
