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

// Whether the vector routes take this window on lines of this width: radii 1 ... 128 (2r + 1
// window bytes fit a 16-bit lane) on images up to 1024 wide (the scratch lives on the stack).
// Anything else goes the Reference way.
inline bool fastBoxWindow(const BoxWindow& window, int32_t width) {
  return window.radius >= 1 && window.radius <= 128 && width <= 1024;
}

void blurHorizontalReference(Image& destination, const Image& source, uint32_t radius);
void blurVerticalReference(Image& destination, const Image& source, uint32_t radius);

// blurVertical(work, source, verticalRadius) and then blurHorizontal(destination, work,
// horizontalRadius): the same destination words. The vector versions take both in one sweep
// where they can, using the work image as scratch only; the destination may be the source.
void blurPairReference(Image& destination, Image& work, const Image& source, uint32_t verticalRadius,
                       uint32_t horizontalRadius);

#if ORVANTA_X86_VECTORS
void blurHorizontalSse2(Image& destination, const Image& source, uint32_t radius);
void blurVerticalSse2(Image& destination, const Image& source, uint32_t radius);
void blurPairSse2(Image& destination, Image& work, const Image& source, uint32_t verticalRadius,
                  uint32_t horizontalRadius);
// Only when cpu::hasAvx2().
void blurHorizontalAvx2(Image& destination, const Image& source, uint32_t radius);
void blurVerticalAvx2(Image& destination, const Image& source, uint32_t radius);
void blurPairAvx2(Image& destination, Image& work, const Image& source, uint32_t verticalRadius,
                  uint32_t horizontalRadius);
#endif

}  // namespace orvanta::kernels
