#include "base/cpu_features.h"
#include "image/box_blur_kernels.h"
#include "image/effects.h"

namespace orvanta {

void blurHorizontal(Image& destination, const Image& source, uint32_t radius) {
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::blurHorizontalAvx2(destination, source, radius);
  } else {
    kernels::blurHorizontalSse2(destination, source, radius);
  }
#else
  kernels::blurHorizontalReference(destination, source, radius);
#endif
}

void blurVertical(Image& destination, const Image& source, uint32_t radius) {
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::blurVerticalAvx2(destination, source, radius);
  } else {
    kernels::blurVerticalSse2(destination, source, radius);
  }
#else
  kernels::blurVerticalReference(destination, source, radius);
#endif
}

void blurVerticalThenHorizontal(Image& destination, Image& work, const Image& source, uint32_t verticalRadius,
                                uint32_t horizontalRadius) {
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::blurPairAvx2(destination, work, source, verticalRadius, horizontalRadius);
  } else {
    kernels::blurPairSse2(destination, work, source, verticalRadius, horizontalRadius);
  }
#else
  kernels::blurPairReference(destination, work, source, verticalRadius, horizontalRadius);
#endif
}

}  // namespace orvanta
