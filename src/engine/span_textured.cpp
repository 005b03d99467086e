#include "engine/raster.h"
#include "engine/span_pixels.h"
#include "engine/span_walk.h"

namespace orvanta {

void fillTexturedSpans(Image& target, const Image& texture, TriangleEdge left, TriangleEdge right, int32_t firstRow,
                       int32_t rows, SpanSteps steps) {
  const uint32_t* const texels = texture.pixels;
  const span::TexelAddress address(texture);
  span::walkSpans<false, true>(target, left, right, firstRow, rows, steps,
                               [&](uint32_t, uint32_t u, uint32_t v, uint32_t, uint32_t) { return texels[address(u, v)]; });
}

void fillTexturedSpansTranslucent(Image& target, const Image& texture, TriangleEdge left, TriangleEdge right,
                                  int32_t firstRow, int32_t rows, SpanSteps steps) {
  const uint32_t* const texels = texture.pixels;
  const span::TexelAddress address(texture);
  span::walkSpans<false, false>(target, left, right, firstRow, rows, steps,
                                [&](uint32_t old, uint32_t u, uint32_t v, uint32_t, uint32_t) {
                                  return span::averageBytes(texels[address(u, v)], old);
                                });
}

}  // namespace orvanta
