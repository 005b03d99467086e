#pragma once
// The zoom blur rewrites the image in place, row by row outward from the centre, each sample
// reading pixels nearer the centre that the same pass has already rewritten.

#include <cstdint>

#include "image/image.h"

namespace orvanta::kernels {

// Visits the pixels in the stated order, one at a time; reads that would fall outside the
// array are clamped to it.
void radialBlurPlain(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep);

// Whether the quadrants may be walked side by side: centre inside a 320-wide image and
// 0 <= strength <= 65536. Otherwise radialBlurQuadrants takes the plain order.
bool radialBlurQuadrantsApply(const Image& image, int32_t cx, int32_t cy, int32_t strength);
void radialBlurQuadrants(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep);

}  // namespace orvanta::kernels
