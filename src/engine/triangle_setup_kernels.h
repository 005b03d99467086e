#pragma once
// The triangle setup: one attribute at a time (the formulas as they read) and with the
// position and every attribute of a vertex in the lanes of SSE registers. Both hand the same
// parts to the sink.

#include <utility>

#include "base/cpu_features.h"
#include "engine/raster.h"

namespace orvanta::kernels {

// Rounds the screen position up to whole pixels (16.16 ceiling).
inline void placeOnPixels(RenderVertex& vertex) {
  vertex.pixelY = fixedCeil(toFixed(vertex.screenY));
  vertex.pixelX = fixedCeil(toFixed(vertex.screenX));
}

// The three corners placed on pixels and ordered by pixel row, top first.
struct RowOrder {
  RenderVertex* top;
  RenderVertex* mid;
  RenderVertex* bot;
};

inline RowOrder placeAndOrder(RenderVertex& a, RenderVertex& b, RenderVertex& c) {
  placeOnPixels(a);
  placeOnPixels(b);
  placeOnPixels(c);
  RowOrder order{&a, &b, &c};
  if (order.top->pixelY > order.mid->pixelY) std::swap(order.top, order.mid);
  if (order.top->pixelY > order.bot->pixelY) std::swap(order.top, order.bot);
  if (order.mid->pixelY > order.bot->pixelY) std::swap(order.mid, order.bot);
  return order;
}

void setupTriangleReference(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink,
                        void* context);
#if ORVANTA_X86_VECTORS
void setupTriangleSse2(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink,
                       void* context);
#endif

}  // namespace orvanta::kernels
