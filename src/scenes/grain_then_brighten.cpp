#include <algorithm>

#include "image/blend_kernels.h"
#include "scenes/add_noise_kernels.h"
#include "scenes/scene_random_state.h"
#include "scenes/toolkit.h"

namespace orvanta {

void addNoiseThenBrighten(Image& frame, int amount, int brightenings, const Image* mask) {
  // Blocks that stay in the first-level cache from the grain to the last brightening. Each
  // pixel's result depends only on itself, its mask pixel and its own draw, and the blocks
  // take their draws in order, so the words equal those of the separate passes.
  constexpr size_t kBlock = 1024;
  const size_t count = frame.pixelCount();
  const size_t masked = mask != nullptr ? std::min(mask->pixelCount(), count) : 0;
  const bool avx2 = kernels::hasAvx2();
  uint32_t state = gSceneRandomState;
  for (size_t start = 0; start < count; start += kBlock) {
    const size_t length = std::min(kBlock, count - start);
    uint32_t* const block = frame.pixels + start;
    state = avx2 ? kernels::addNoiseAvx2(block, length, amount, state)
                 : kernels::addNoiseSse2(block, length, amount, state);
    if (start < masked) {
      const size_t modulated = std::min(length, masked - start);
      if (avx2) {
        kernels::modulateAvx2(mask->pixels + start, block, modulated);
      } else {
        kernels::modulateSse2(mask->pixels + start, block, modulated);
      }
    }
    for (int k = 0; k < brightenings; ++k) {
      if (avx2) {
        kernels::brightenAvx2(block, length, 255);
      } else {
        kernels::brightenSse2(block, length, 255);
      }
    }
  }
  gSceneRandomState = state;
}

}  // namespace orvanta
