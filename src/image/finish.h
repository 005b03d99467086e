#pragma once
// The passes that finish a frame, as one sweep over a run of its pixels.

#include <cstddef>
#include <cstdint>

#include "base/random.h"

namespace orvanta {

// In this order: the grain (addNoise with `amount`, one draw per pixel) when `grain`; the mask
// multiplied in (Image::modulateInto) when given; `brightenings` full brightenings; the overlay
// blended over (blendImage) when given. Mask and overlay hold the words for the run's pixels.
struct FinishPasses {
  bool grain = false;
  int amount = 0;
  const uint32_t* mask = nullptr;
  int brightenings = 0;
  const uint32_t* overlay = nullptr;
};

// The passes over pixels [0, count): the same words as the passes one after the other.
void finishPixels(uint32_t* pixels, size_t count, const FinishPasses& passes, ShowRandom& random);

}  // namespace orvanta
