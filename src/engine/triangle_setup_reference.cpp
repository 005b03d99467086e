#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/triangle_setup_kernels.h"

// The triangle setup one attribute at a time, as the formulas read; the vector setup must
// give the same edges and steps.

namespace orvanta::kernels {
namespace {

// One vertex as the setup sees it: position and the attributes u, v, [u2, v2,] invDepth.
template <int kAttributes>
struct SetupVertex {
  float x = 0.0f;
  float y = 0.0f;
  float value[kAttributes] = {};
};

template <int kAttributes>
SetupVertex<kAttributes> setupVertex(const RenderVertex& vertex) {
  SetupVertex<kAttributes> out;
  out.x = vertex.screenX;
  out.y = vertex.screenY;
  out.value[0] = vertex.u;
  out.value[1] = vertex.v;
  if constexpr (kAttributes == 5) {
    out.value[2] = vertex.u2;
    out.value[3] = vertex.v2;
  }
  out.value[kAttributes - 1] = kDepthNumerator / vertex.depth;
  return out;
}

// Slopes of x and every attribute along an edge, per unit of y.
template <int kAttributes>
struct EdgeSlopes {
  float x = 0.0f;
  float value[kAttributes] = {};
};

template <int kAttributes>
EdgeSlopes<kAttributes> edgeSlopes(const SetupVertex<kAttributes>& from, const SetupVertex<kAttributes>& to) {
  EdgeSlopes<kAttributes> slopes;
  const float k = 1.0f / (to.y - from.y);
  slopes.x = (to.x - from.x) * k;
  for (int i = 0; i < kAttributes; ++i) slopes.value[i] = (to.value[i] - from.value[i]) * k;
  return slopes;
}

// Stores the attribute fields of an edge in the order u, v, [u2, v2,] invDepth.
template <int kAttributes>
void storeAttributes(TriangleEdge& edge, const int32_t (&start)[kAttributes], const int32_t (&step)[kAttributes]) {
  edge.u = start[0];
  edge.v = start[1];
  edge.uStep = step[0];
  edge.vStep = step[1];
  if constexpr (kAttributes == 5) {
    edge.u2 = start[2];
    edge.v2 = start[3];
    edge.u2Step = step[2];
    edge.v2Step = step[3];
  }
  edge.invDepth = start[kAttributes - 1];
  edge.invDepthStep = step[kAttributes - 1];
}

// An edge walker starting at (x, values) of some point, stepped down by py rows' worth of slope.
template <int kAttributes>
TriangleEdge startEdge(float x, const float (&values)[kAttributes], const EdgeSlopes<kAttributes>& slopes, float py) {
  TriangleEdge edge;
  edge.x = toFixed(x + py * slopes.x);
  edge.xStep = toFixed(slopes.x);
  int32_t start[kAttributes];
  int32_t step[kAttributes];
  for (int i = 0; i < kAttributes; ++i) {
    start[i] = toFixed(values[i] + py * slopes.value[i]);
    step[i] = toFixed(slopes.value[i]);
  }
  storeAttributes<kAttributes>(edge, start, step);
  return edge;
}

template <int kAttributes>
void setupParts(RenderVertex& a, RenderVertex& b, RenderVertex& c, SpanSink sink, void* context) {
  const auto [top, mid, bot] = placeAndOrder(a, b, c);
  const int32_t topRow = top->pixelY;
  const int32_t midRow = mid->pixelY;
  const int32_t botRow = bot->pixelY;

  const SetupVertex<kAttributes> t = setupVertex<kAttributes>(*top);
  const SetupVertex<kAttributes> m = setupVertex<kAttributes>(*mid);
  const SetupVertex<kAttributes> e = setupVertex<kAttributes>(*bot);

  const float doubleArea = (e.x - t.x) * (m.y - t.y) - (e.y - t.y) * (m.x - t.x);
  if (static_cast<double>(std::fabs(doubleArea)) < kMinDoubleArea) return;
  if (botRow == topRow) return;

  const int32_t upperRows = midRow - topRow;
  const int32_t lowerRows = botRow - midRow;

  const EdgeSlopes<kAttributes> longSlopes = edgeSlopes(t, e);

  TriangleEdge upperLong;
  TriangleEdge upperShort;
  if (upperRows >= 1) {
    const EdgeSlopes<kAttributes> shortSlopes = edgeSlopes(t, m);
    const float py = static_cast<float>(topRow) - t.y;
    upperLong = startEdge(t.x, t.value, longSlopes, py);
    upperShort = startEdge(t.x, t.value, shortSlopes, py);
  }

  // The long edge at the middle vertex's height.
  const float dy1 = m.y - t.y;
  const float splitX = t.x + dy1 * longSlopes.x;
  float split[kAttributes];
  for (int i = 0; i < kAttributes; ++i) split[i] = t.value[i] + dy1 * longSlopes.value[i];

  const float middleWidth = m.x - splitX;
  if (static_cast<double>(std::fabs(middleWidth)) < kMinMiddleWidth) return;

  const float r = 1.0f / middleWidth;
  int32_t pixelStep[kAttributes];
  for (int i = 0; i < kAttributes; ++i) pixelStep[i] = toFixed((m.value[i] - split[i]) * r);
  SpanSteps steps;
  steps.du = pixelStep[0];
  steps.dv = pixelStep[1];
  if constexpr (kAttributes == 5) {
    steps.du2 = pixelStep[2];
    steps.dv2 = pixelStep[3];
  }
  steps.dInvDepth = pixelStep[kAttributes - 1];

  const bool longIsLeft = splitX <= m.x;

  if (upperRows >= 1) {
    if (longIsLeft) {
      sink(context, upperLong, upperShort, topRow, upperRows, steps);
    } else {
      sink(context, upperShort, upperLong, topRow, upperRows, steps);
    }
  }

  if (lowerRows >= 1) {
    const float py2 = static_cast<float>(midRow) - m.y;
    // The long edge restarts from the split point rather than continuing.
    const TriangleEdge lowerLong = startEdge(splitX, split, longSlopes, py2);
    const TriangleEdge lowerShort = startEdge(m.x, m.value, edgeSlopes(m, e), py2);
    if (longIsLeft) {
      sink(context, lowerLong, lowerShort, midRow, lowerRows, steps);
    } else {
      sink(context, lowerShort, lowerLong, midRow, lowerRows, steps);
    }
  }
}

}  // namespace

void setupTriangleReference(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink,
                        void* context) {
  if (twoLayers) {
    setupParts<5>(a, b, c, sink, context);
  } else {
    setupParts<3>(a, b, c, sink, context);
  }
}

}  // namespace orvanta::kernels
