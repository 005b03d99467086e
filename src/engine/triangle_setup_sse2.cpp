#include "engine/triangle_setup_lanes.h"

#if ORVANTA_X86_VECTORS

namespace orvanta::kernels {

void setupTriangleSse2(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink,
                       void* context) {
  auto forward = [&](const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow, int32_t rows,
                     const SpanSteps& steps) { sink(context, left, right, firstRow, rows, steps); };
  if (twoLayers) {
    lanes::setupLanes<true>(a, b, c, forward);
  } else {
    lanes::setupLanes<false>(a, b, c, forward);
  }
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_VECTORS
