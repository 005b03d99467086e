#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/raster.h"
#include "image/effects.h"

namespace orvanta {

int32_t toFixed(float value) {
  // The float product is exact (a power of two), and inside the range it fits int32.
  if (value > -32768.0f && value < 32768.0f) return static_cast<int32_t>(value * 65536.0f);
  return kFixedOverflow;
}

bool textureDrawable(const Image& image) {
  if (image.pixels == nullptr || image.width != image.height) return false;
  for (int32_t shift = 4; shift <= 10; ++shift) {
    if (image.width == (1 << shift)) {
      return image.widthShift == shift && image.widthMask == static_cast<uint32_t>(image.width - 1);
    }
  }
  return false;
}

bool textureSetDrawable(const TextureSet& set) {
  if ((set.flags & kTwoLayer) != 0) {
    if (!textureDrawable(set.texture) || !textureDrawable(set.envMap)) return false;
    if ((set.flags & kBumpMap) == 0) return true;
    // The height map is indexed with the base texel's index.
    return set.extra.pixels != nullptr && set.extra.width == set.texture.width &&
           set.extra.height == set.texture.height;
  }
  if ((set.flags & kTextured) != 0) return textureDrawable(set.texture);
  return true;
}

namespace {

void placeOnPixels(RenderVertex& vertex) {
  vertex.pixelY = fixedCeil(toFixed(vertex.screenY));
  vertex.pixelX = fixedCeil(toFixed(vertex.screenX));
}

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
  placeOnPixels(a);
  placeOnPixels(b);
  placeOnPixels(c);

  RenderVertex* top = &a;
  RenderVertex* mid = &b;
  RenderVertex* bot = &c;
  if (top->pixelY > mid->pixelY) std::swap(top, mid);
  if (top->pixelY > bot->pixelY) std::swap(top, bot);
  if (mid->pixelY > bot->pixelY) std::swap(mid, bot);
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

struct TexturedCall {
  Image* target;
  const Image* texture;
  void (*routine)(Image&, const Image&, TriangleEdge, TriangleEdge, int32_t, int32_t, SpanSteps);
};

void callTextured(void* context, const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow,
                  int32_t rows, const SpanSteps& steps) {
  const TexturedCall& call = *static_cast<const TexturedCall*>(context);
  call.routine(*call.target, *call.texture, left, right, firstRow, rows, steps);
}

struct LayersCall {
  Image* target;
  const Image* texture;
  const Image* envMap;
  const Image* extra;
  void (*plain)(Image&, const Image&, const Image&, TriangleEdge, TriangleEdge, int32_t, int32_t, SpanSteps);
  void (*bump)(Image&, const Image&, const Image&, const Image&, TriangleEdge, TriangleEdge, int32_t, int32_t,
               SpanSteps);
};

void callLayers(void* context, const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow, int32_t rows,
                const SpanSteps& steps) {
  const LayersCall& call = *static_cast<const LayersCall*>(context);
  if (call.bump != nullptr) {
    call.bump(*call.target, *call.texture, *call.envMap, *call.extra, left, right, firstRow, rows, steps);
  } else {
    call.plain(*call.target, *call.texture, *call.envMap, left, right, firstRow, rows, steps);
  }
}

void setupLayers(Image& target, const Image& texture, const Image& envMap, const Image& extra, RenderVertex& a,
                 RenderVertex& b, RenderVertex& c, LayerMode layerMode, CombineMode combineMode, bool translucent) {
  LayersCall call{&target, &texture, &envMap, &extra, nullptr, nullptr};
  const bool add = combineMode == kAdd;
  if (layerMode == kBump) {
    if (translucent) {
      call.bump = add ? fillLayersBumpAddTranslucent : fillLayersBumpMultiplyTranslucent;
    } else {
      call.bump = add ? fillLayersBumpAdd : fillLayersBumpMultiply;
    }
  } else if (translucent) {
    call.plain = add ? fillLayersAddTranslucent : fillLayersMultiplyTranslucent;
  } else {
    call.plain = add ? fillLayersAdd : fillLayersMultiply;
  }
  setupTriangle(a, b, c, true, callLayers, &call);
}

}  // namespace

void setupTriangle(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink,
                   void* context) {
  if (twoLayers) {
    setupParts<5>(a, b, c, sink, context);
  } else {
    setupParts<3>(a, b, c, sink, context);
  }
}

void setupTexturedTriangle(Image& target, const Image& texture, RenderVertex& a, RenderVertex& b,
                           RenderVertex& c) {
  TexturedCall call{&target, &texture, fillTexturedSpans};
  setupTriangle(a, b, c, false, callTextured, &call);
}

void setupTexturedTriangleTranslucent(Image& target, const Image& texture, RenderVertex& a, RenderVertex& b,
                                      RenderVertex& c) {
  TexturedCall call{&target, &texture, fillTexturedSpansTranslucent};
  setupTriangle(a, b, c, false, callTextured, &call);
}

void setupTwoLayerTriangle(Image& target, const Image& texture, const Image& envMap, const Image& extra,
                           RenderVertex& a, RenderVertex& b, RenderVertex& c, LayerMode layerMode,
                           CombineMode combineMode) {
  setupLayers(target, texture, envMap, extra, a, b, c, layerMode, combineMode, false);
}

void setupTwoLayerTriangleTranslucent(Image& target, const Image& texture, const Image& envMap, const Image& extra,
                                      RenderVertex& a, RenderVertex& b, RenderVertex& c, LayerMode layerMode,
                                      CombineMode combineMode) {
  setupLayers(target, texture, envMap, extra, a, b, c, layerMode, combineMode, true);
}

void drawWireTriangle(Image& target, RenderVertex& a, RenderVertex& b, RenderVertex& c, uint32_t colour) {
  placeOnPixels(a);
  placeOnPixels(b);
  placeOnPixels(c);
  drawLine(&target, a.pixelX, a.pixelY, b.pixelX, b.pixelY, colour);
  drawLine(&target, b.pixelX, b.pixelY, c.pixelX, c.pixelY, colour);
  drawLine(&target, c.pixelX, c.pixelY, a.pixelX, a.pixelY, colour);
}

void drawTriangle(Image& target, const TextureSet& set, RenderVertex& a, RenderVertex& b, RenderVertex& c) {
  const int32_t flags = set.flags;
  const bool translucent = (flags & kTranslucent) != 0;
  if ((flags & kTwoLayer) != 0) {
    if (!textureSetDrawable(set)) return;
    const LayerMode layerMode = (flags & kBumpMap) != 0 ? kBump : kPlain;
    const CombineMode combineMode = (flags & kAddLayers) != 0 ? kAdd : kMultiply;
    setupLayers(target, set.texture, set.envMap, set.extra, a, b, c, layerMode, combineMode, translucent);
  } else if ((flags & kTextured) != 0) {
    if (!textureSetDrawable(set)) return;
    if (translucent) {
      setupTexturedTriangleTranslucent(target, set.texture, a, b, c);
    } else {
      setupTexturedTriangle(target, set.texture, a, b, c);
    }
  } else if ((flags & kWireframe) != 0) {
    drawWireTriangle(target, a, b, c, packArgb(255, 255, 255, 255));
  }
}

}  // namespace orvanta
