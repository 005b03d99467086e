#pragma once
// The triangle setup: one attribute at a time (the formulas as they read) and with the
// position and every attribute of a vertex in the lanes of SSE registers. Both hand the same
// parts to the sink.

#include "engine/raster.h"

namespace orvanta::kernels {

// Rounds the screen position up to whole pixels (16.16 ceiling).
inline void placeOnPixels(RenderVertex& vertex) {
  vertex.pixelY = fixedCeil(toFixed(vertex.screenY));
  vertex.pixelX = fixedCeil(toFixed(vertex.screenX));
}

void setupTrianglePlain(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink,
                        void* context);
void setupTriangleSse2(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink,
                       void* context);

}  // namespace orvanta::kernels
