#include "image/effects.h"
#include "image/radial_blur_kernels.h"

namespace orvanta {

void radialBlur(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep) {
  kernels::radialBlurQuadrants(image, cx, cy, strength, keep);
}

}  // namespace orvanta
