#pragma once
// 2D compositing effects on frames and work images. Pictures read are passed as const
// references, pictures written as references; a destination may be its own source.

#include <cstdint>

#include "image/image.h"

namespace orvanta {

void blurHorizontal(Image& destination, const Image& source, uint32_t radius);
void blurVertical(Image& destination, const Image& source, uint32_t radius);
// blurVertical(work, source, verticalRadius), then blurHorizontal(destination, work,
// horizontalRadius), in one sweep where it can: the same destination words, with the work
// image only as scratch. The destination may be the source.
void blurVerticalThenHorizontal(Image& destination, Image& work, const Image& source, uint32_t verticalRadius,
                                uint32_t horizontalRadius);
uint32_t sampleBilinear(const uint32_t* pixels, int32_t u, int32_t v);
uint32_t blendPixels(uint32_t a, uint32_t b, uint32_t level);
void radialBlur(Image& image, int32_t cx, int32_t cy, int32_t strength, int32_t keep);
void smoothNeighbours(Image& image);
// The warped planes draw the top 320 x 240 pixels of a destination 320 wide; true when that
// is every pixel of the destination (a frame need not be cleared before).
bool warpPlane(Image& destination, const Image& texture, float t);
bool warpPlaneKeyed(Image& destination, const Image& texture, float t);
// warpPlane(destination, under, tUnder) and then warpPlaneKeyed(destination, over, tOver) in
// one pass over the rows. Only for a 320 x 240 destination and textures both planes take;
// otherwise false, and nothing is drawn.
bool warpPlanePair(Image& destination, const Image& under, float tUnder, const Image& over, float tOver);
void drawLine(Image& image, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour);

// Blends `source` over `destination`; the source's alpha byte is a transparency.
void blendImage(const Image& source, Image& destination);

}  // namespace orvanta
