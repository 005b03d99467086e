#include "image/box_blur_kernels.h"
#include "image/effects.h"

namespace orvanta {

void blurHorizontal(Image* destination, Image source, uint32_t radius) {
  kernels::blurHorizontalSse2(destination, source, radius);
}

void blurVertical(Image* destination, Image source, uint32_t radius) {
  kernels::blurVerticalSse2(destination, source, radius);
}

}  // namespace orvanta
