#pragma once
// Box blurs with running sums. The plain versions walk each line as the formulas state; the
// public blurs take faster routes that must give the same words.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"
#include "image/image.h"

namespace orvanta::kernels {

// Radius limited to line length - 1; weight floor(65536 / (2r + 1)).
struct BoxWindow {
  uint32_t radius;
  uint32_t weight;
};
BoxWindow boxWindow(uint32_t radius, int32_t lineLength);

// Rows of the source whose output fits in the destination's array.
int32_t writableRows(const Image& source, const Image& destination);

void blurHorizontalReference(Image* destination, Image source, uint32_t radius);
void blurVerticalReference(Image* destination, Image source, uint32_t radius);

#if ORVANTA_X86_VECTORS
// Radii 1 ... 128 on images up to 1024 wide; anything else goes the Reference way.
void blurHorizontalSse2(Image* destination, Image source, uint32_t radius);
void blurVerticalSse2(Image* destination, Image source, uint32_t radius);
#endif

}  // namespace orvanta::kernels
