#pragma once
// The zoom blur rewrites the image in place, row by row outward from the centre, each sample
// reading pixels nearer the centre that the same pass has already rewritten.

#include <cstdint>

#include "base/cpu_features.h"
#include "image/image.h"

namespace orvanta::kernels {

// Visits the pixels in the stated order, one at a time; reads that would fall outside the
// array are clamped to it.
void radialBlurReference(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep);

// One quadrant of the walk (upper-left, upper-right, lower-left or lower-right of the centre):
// `rows` rows from firstY stepping dy, their sample row v from firstV stepping dv; in each, a
// run of runLength pixels from firstX stepping dx, the sample column u from firstU stepping du.
// Every sample lies between its pixel and the quadrant's corner at the centre.
struct Quadrant {
  int32_t firstY, dy, rows;
  uint32_t firstV, dv;
  int32_t firstX, dx, runLength;
  uint32_t firstU, du;
};

// The quadrants of a centre inside the image with strength c, over the first upperRows rows
// of the upper part (cy, cy - 1, ...) and the first lowerRows rows of the lower part
// (cy + 1, ...), each limited to the image; quadrants without rows or pixels are left out.
// Returns how many were written.
int quadrantsOf(const Image& image, int32_t cx, int32_t cy, uint32_t c, int32_t upperRows, int32_t lowerRows,
                Quadrant (&quadrants)[4]);

// Whether the quadrants may be walked side by side: centre inside a 320-wide image and
// 0 <= strength <= 65536. Otherwise the quadrant routes take the plain order.
bool radialBlurQuadrantsApply(const Image& image, int32_t cx, int32_t cy, int32_t strength);

#if ORVANTA_X86_VECTORS
// The quadrants side by side where they apply, the plain order elsewhere.
void radialBlurSse2(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep);
// The four quadrants side by side, one pixel at a time, over the first upperRows rows of the
// upper part (cy, cy - 1, ...) and the first lowerRows rows of the lower part (cy + 1, ...).
// Only for images radialBlurQuadrantsApply accepts.
void walkQuadrants(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep, int32_t upperRows,
                   int32_t lowerRows);

// A row whose samples lie a whole row or more towards the centre reads only rows that are
// already done, never its own pixels (its own row at most with weight 0), so all its pixels
// may be mixed at once. With strength c, these are the rows at least ceil(65536 / c) rows
// from the centre row (cy in the upper part, cy + 1 in the lower one). In the nearer rows
// pixel k of a row needs only pixel k - 1 of its row and pixel k of the row before done, so
// they go diagonal by diagonal, eight rows at a time, their samples loaded the way `loads`
// says. Only when cpu::hasAvx2().
void radialBlurAvx2(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep,
                    cpu::LaneLoads loads = cpu::fasterLaneLoads());
#endif

}  // namespace orvanta::kernels
