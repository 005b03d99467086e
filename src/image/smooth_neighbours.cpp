#include "base/cpu_features.h"
#include "image/effects.h"
#include "image/smooth_kernels.h"
#include "image/smooth_sweep.h"

namespace orvanta {

// The sweep steps rows of 320 pixels; other widths are left alone.
void smoothNeighbours(Image& image) {
  if (image.width != 320) return;
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::smoothNeighboursAvx2(image.pixels, image.pixelCount(), 0, image.pixelCount());
  } else {
    kernels::smoothNeighboursSse2(image.pixels, image.pixelCount(), 0, image.pixelCount());
  }
#else
  kernels::smoothNeighboursReference(image.pixels, image.pixelCount(), 0, image.pixelCount());
#endif
}

void smoothNeighboursRange(Image& image, size_t from, size_t to) {
  if (image.width != 320) return;
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::smoothNeighboursAvx2(image.pixels, image.pixelCount(), from, to);
  } else {
    kernels::smoothNeighboursSse2(image.pixels, image.pixelCount(), from, to);
  }
#else
  kernels::smoothNeighboursReference(image.pixels, image.pixelCount(), from, to);
#endif
}

}  // namespace orvanta
