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
// 0 <= strength <= 65536. Otherwise the quadrant routes take the plain order.
bool radialBlurQuadrantsApply(const Image& image, int32_t cx, int32_t cy, int32_t strength);
void radialBlurQuadrants(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep);
// The four quadrants side by side, one pixel at a time, over the first upperRows rows of the
// upper part (cy, cy - 1, ...) and the first lowerRows rows of the lower part (cy + 1, ...).
// Only for images radialBlurQuadrantsApply accepts.
void walkQuadrants(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep, int32_t upperRows,
                   int32_t lowerRows);

// A row whose samples lie a whole row or more towards the centre reads only rows that are
// already done, never its own pixels (its own row at most with weight 0), so all its pixels
// may be mixed at once. With strength c, these are the rows at least ceil(65536 / c) rows
// from the centre row (cy in the upper part, cy + 1 in the lower one); the nearer rows go
// one pixel at a time. Only when hasAvx2().
void radialBlurQuadrantsAvx2(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep);

}  // namespace orvanta::kernels
