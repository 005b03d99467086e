#include <algorithm>

#include "base/cpu_features.h"
#include "image/blend_kernels.h"
#include "image/effects.h"
#include "image/image.h"

namespace orvanta {

void Image::fadeTo(uint32_t level, uint32_t colour) {
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::fadeToAvx2(pixels, pixelCount(), level, colour);
  } else {
    kernels::fadeToSse2(pixels, pixelCount(), level, colour);
  }
#else
  kernels::fadeToReference(pixels, pixelCount(), level, colour);
#endif
}

void Image::brighten(uint32_t amount) {
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::brightenAvx2(pixels, pixelCount(), amount);
  } else {
    kernels::brightenSse2(pixels, pixelCount(), amount);
  }
#else
  kernels::brightenReference(pixels, pixelCount(), amount);
#endif
}

// Callers pass images of equal size; a smaller target bounds the count.
void Image::modulateInto(Image& target) const {
  const size_t count = std::min(pixelCount(), target.pixelCount());
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::modulateAvx2(pixels, target.pixels, count);
  } else {
    kernels::modulateSse2(pixels, target.pixels, count);
  }
#else
  kernels::modulateReference(pixels, target.pixels, count);
#endif
}

void blendImage(const Image& source, Image& destination) {
  const size_t count = std::min(source.pixelCount(), destination.pixelCount());
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::blendOverAvx2(source.pixels, destination.pixels, count);
  } else {
    kernels::blendOverSse2(source.pixels, destination.pixels, count);
  }
#else
  kernels::blendOverReference(source.pixels, destination.pixels, count);
#endif
}

}  // namespace orvanta
