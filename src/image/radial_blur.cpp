#include "image/blend_kernels.h"
#include "image/effects.h"
#include "image/radial_blur_kernels.h"

namespace orvanta {

void radialBlur(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep) {
  if (kernels::hasAvx2()) {
    kernels::radialBlurQuadrantsAvx2(image, cx, cy, strength, keep);
  } else {
    kernels::radialBlurQuadrants(image, cx, cy, strength, keep);
  }
}

}  // namespace orvanta
