#include "scenes/scene_random_state.h"
#include "scenes/toolkit.h"

namespace orvanta {

void addNoise(Image& image, int amount) {
  const size_t count = image.pixelCount();
  for (size_t i = 0; i < count; ++i) {
    const int draw = sceneRandom();
    // An amount of 0 would divide by zero: it adds no grain but keeps the draws.
    const uint32_t d = amount == 0 ? 0u : static_cast<uint32_t>(draw % amount);
    uint32_t out = image.pixels[i] & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t c = (image.pixels[i] >> shift) & 0xFFu;
      out |= (c > d ? c - d : 0u) << shift;
    }
    image.pixels[i] = out;
  }
}

}  // namespace orvanta
