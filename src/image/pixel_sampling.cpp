#include "image/effects.h"
#include "image/pixel_mixing.h"

namespace orvanta {

uint32_t sampleBilinear(const uint32_t* pixels, int32_t u, int32_t v) {
  const int32_t x0 = u >> 16;
  const int32_t y0 = v >> 16;
  const ptrdiff_t at = static_cast<ptrdiff_t>(y0) * pixel::kRowLength + x0;
  return pixel::mixFour(pixels[at], pixels[at + 1], pixels[at + pixel::kRowLength],
                        pixels[at + pixel::kRowLength + 1], pixel::bilinearWeights(u, v));
}

uint32_t blendPixels(uint32_t a, uint32_t b, uint32_t level) { return pixel::mixTwo(a, b, level); }

}  // namespace orvanta
