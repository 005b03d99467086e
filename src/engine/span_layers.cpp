#include "engine/raster.h"
#include "engine/span_pixels.h"
#include "engine/span_walk.h"

namespace orvanta {
namespace {

// The second-layer texel, addressed directly by (u2, v2).
struct PlainLookup {
  const uint32_t* texels;
  span::TexelAddress address;
  const uint32_t* layerTexels;
  span::TexelAddress layerAddress;

  PlainLookup(const Image& texture, const Image& envMap)
      : texels(texture.pixels), address(texture), layerTexels(envMap.pixels), layerAddress(envMap) {}

  // Base and second-layer texels of one pixel.
  void operator()(uint32_t u, uint32_t v, uint32_t u2, uint32_t v2, uint32_t& base, uint32_t& layer) const {
    base = texels[address(u, v)];
    layer = layerTexels[layerAddress(u2, v2)];
  }
};

// The second-layer texel displaced by the height map's slope around the base texel. The
// neighbours of the last texels wrap to the start of the map (index modulo its size).
struct BumpLookup {
  const uint32_t* texels;
  span::TexelAddress address;
  const uint32_t* layerTexels;
  uint32_t layerMask;
  int32_t layerShift;
  const uint32_t* heights;
  uint32_t below;      // side length of the height map
  uint32_t indexMask;  // texel count - 1 (the map is a square power of two)

  BumpLookup(const Image& texture, const Image& envMap, const Image& extra)
      : texels(texture.pixels),
        address(texture),
        layerTexels(envMap.pixels),
        layerMask(envMap.widthMask),
        layerShift(envMap.widthShift),
        heights(extra.pixels),
        below(static_cast<uint32_t>(extra.height)),
        indexMask(static_cast<uint32_t>(texture.width) * static_cast<uint32_t>(texture.height) - 1u) {}

  static uint32_t height(uint32_t texel) { return (texel >> 16) & 0xFFu; }

  void operator()(uint32_t u, uint32_t v, uint32_t u2, uint32_t v2, uint32_t& base, uint32_t& layer) const {
    const uint32_t i1 = address(u, v);
    base = texels[i1];
    const uint32_t h0 = height(heights[i1]);
    const uint32_t hx = height(heights[(i1 + 1u) & indexMask]);
    const uint32_t hy = height(heights[(i1 + below) & indexMask]);
    // Only the low bits survive the mask, so unsigned wrap-around gives the signed result.
    const uint32_t column = (u2 >> 16) + hx - h0;
    const uint32_t row = (v2 >> 16) + hy - h0;
    layer = layerTexels[((row & layerMask) << layerShift) + (column & layerMask)];
  }
};

template <bool kWriteDepth, typename Lookup, typename Compose>
void fillLayers(Image& target, const Lookup& lookup, const TriangleEdge& left, const TriangleEdge& right,
                int32_t firstRow, int32_t rows, const SpanSteps& steps, Compose compose) {
  span::walkSpans<true, kWriteDepth>(target, left, right, firstRow, rows, steps,
                                     [&](uint32_t old, uint32_t u, uint32_t v, uint32_t u2, uint32_t v2) {
                                       uint32_t base;
                                       uint32_t layer;
                                       lookup(u, v, u2, v2, base, layer);
                                       return compose(base, layer, old);
                                     });
}

// The ways of composing a pixel from base texel, second-layer texel and the old pixel.
struct AddSaturated {
  uint32_t operator()(uint32_t base, uint32_t layer, uint32_t) const { return span::addBytesSaturated(base, layer); }
};
struct Average {
  uint32_t operator()(uint32_t base, uint32_t layer, uint32_t) const { return span::averageBytes(base, layer); }
};
struct Multiply {
  uint32_t operator()(uint32_t base, uint32_t layer, uint32_t) const { return span::multiplyBytes(base, layer); }
};
struct HalfThenAdd {
  uint32_t operator()(uint32_t base, uint32_t layer, uint32_t old) const {
    return span::addBytesSaturated(span::averageBytes(base, old), layer);
  }
};
struct MultiplyThenHalf {
  uint32_t operator()(uint32_t base, uint32_t layer, uint32_t old) const {
    return span::averageBytes(span::multiplyBytes(base, layer), old);
  }
};

}  // namespace

void fillLayersBumpAdd(Image& target, const Image& texture, const Image& envMap, const Image& extra,
                       TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<true>(target, BumpLookup(texture, envMap, extra), left, right, firstRow, rows, steps, AddSaturated());
}

void fillLayersBumpMultiply(Image& target, const Image& texture, const Image& envMap, const Image& extra,
                            TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<true>(target, BumpLookup(texture, envMap, extra), left, right, firstRow, rows, steps, Multiply());
}

void fillLayersAdd(Image& target, const Image& texture, const Image& envMap, TriangleEdge left, TriangleEdge right,
                   int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<true>(target, PlainLookup(texture, envMap), left, right, firstRow, rows, steps, Average());
}

void fillLayersMultiply(Image& target, const Image& texture, const Image& envMap, TriangleEdge left,
                        TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<true>(target, PlainLookup(texture, envMap), left, right, firstRow, rows, steps, Multiply());
}

void fillLayersBumpAddTranslucent(Image& target, const Image& texture, const Image& envMap, const Image& extra,
                                  TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows,
                                  SpanSteps steps) {
  fillLayers<false>(target, BumpLookup(texture, envMap, extra), left, right, firstRow, rows, steps, HalfThenAdd());
}

void fillLayersBumpMultiplyTranslucent(Image& target, const Image& texture, const Image& envMap, const Image& extra,
                                       TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows,
                                       SpanSteps steps) {
  fillLayers<false>(target, BumpLookup(texture, envMap, extra), left, right, firstRow, rows, steps,
                    MultiplyThenHalf());
}

void fillLayersAddTranslucent(Image& target, const Image& texture, const Image& envMap, TriangleEdge left,
                              TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<false>(target, PlainLookup(texture, envMap), left, right, firstRow, rows, steps, HalfThenAdd());
}

void fillLayersMultiplyTranslucent(Image& target, const Image& texture, const Image& envMap, TriangleEdge left,
                                   TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<false>(target, PlainLookup(texture, envMap), left, right, firstRow, rows, steps, MultiplyThenHalf());
}

}  // namespace orvanta
