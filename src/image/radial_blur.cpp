#include <algorithm>

#include "base/cpu_features.h"
#include "image/effects.h"
#include "image/pixel_mixing.h"
#include "image/radial_blur_kernels.h"

namespace orvanta {
namespace kernels {

int quadrantsOf(const Image& image, int32_t cx, int32_t cy, uint32_t c, int32_t upperRows, int32_t lowerRows,
                Quadrant (&quadrants)[4]) {
  const uint32_t ucx = static_cast<uint32_t>(cx);
  const uint32_t ucy = static_cast<uint32_t>(cy);
  const int32_t upper = std::min(upperRows, cy + 1);
  const int32_t lower = std::min(lowerRows, image.height - cy - 1);
  const int32_t rightRun = image.width - cx - 1;
  // Upper part: rows cy ... 0; lower part: rows cy + 1 ... height - 1. Left runs go from cx
  // towards column 0, right runs from cx + 1 to the last column.
  const Quadrant all[4] = {
      {cy, -1, upper, ucy << 16, c - 65536u, cx, -1, cx + 1, ucx << 16, c - 65536u},
      {cy, -1, upper, ucy << 16, c - 65536u, cx + 1, 1, rightRun, (ucx + 1u) << 16, 65536u - c},
      {cy + 1, 1, lower, (ucy + 1u) << 16, 65536u - c, cx, -1, cx + 1, ucx << 16, c - 65536u},
      {cy + 1, 1, lower, (ucy + 1u) << 16, 65536u - c, cx + 1, 1, rightRun, (ucx + 1u) << 16, 65536u - c},
  };
  int count = 0;
  for (const Quadrant& quadrant : all) {
    if (quadrant.rows > 0 && quadrant.runLength > 0) quadrants[count++] = quadrant;
  }
  return count;
}

bool radialBlurQuadrantsApply(const Image& image, int32_t cx, int32_t cy, int32_t strength) {
  const int64_t scaled = static_cast<int64_t>(strength) * (image.width / 320);
  // Indices of the array fit 32-bit lanes.
  return image.pixelCount() != 0 && image.pixelCount() <= INT32_MAX && image.width == pixel::kRowLength && cx >= 0 && cx < image.width && cy >= 0 &&
         cy < image.height && scaled >= 0 && scaled <= 65536;
}

}  // namespace kernels

void radialBlur(Image& image, int32_t cx, int32_t cy, int32_t strength, int32_t keep) {
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    kernels::radialBlurAvx2(&image, cx, cy, strength, keep);
  } else {
    kernels::radialBlurSse2(&image, cx, cy, strength, keep);
  }
#else
  kernels::radialBlurReference(&image, cx, cy, strength, keep);
#endif
}

}  // namespace orvanta
