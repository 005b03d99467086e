#include <type_traits>

#include "base/cpu_features.h"
#include "engine/raster.h"
#include "engine/span_pixels.h"
#include "engine/span_walk.h"
#include "engine/span_walk_pairs.h"
#include "engine/triangle_setup_lanes.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

#include "image/lane_loads_avx2.h"
#endif

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

#if ORVANTA_X86_VECTORS
  void four(__m128i u, __m128i v, __m128i u2, __m128i v2, __m128i& base, __m128i& layer) const {
    base = span::gather4(texels, address(u, v));
    layer = span::gather4(layerTexels, layerAddress(u2, v2));
  }
#endif
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

#if ORVANTA_X86_VECTORS
  void four(__m128i u, __m128i v, __m128i u2, __m128i v2, __m128i& base, __m128i& layer) const {
    const __m128i i1 = address(u, v);
    base = span::gather4(texels, i1);
    const __m128i wrap = _mm_set1_epi32(static_cast<int>(indexMask));
    const __m128i redByte = _mm_set1_epi32(0xFF);
    const __m128i h0 = _mm_and_si128(_mm_srli_epi32(span::gather4(heights, i1), 16), redByte);
    const __m128i right = _mm_and_si128(_mm_add_epi32(i1, _mm_set1_epi32(1)), wrap);
    const __m128i hx = _mm_and_si128(_mm_srli_epi32(span::gather4(heights, right), 16), redByte);
    const __m128i down = _mm_and_si128(_mm_add_epi32(i1, _mm_set1_epi32(static_cast<int>(below))), wrap);
    const __m128i hy = _mm_and_si128(_mm_srli_epi32(span::gather4(heights, down), 16), redByte);
    const __m128i column = _mm_sub_epi32(_mm_add_epi32(_mm_srli_epi32(u2, 16), hx), h0);
    const __m128i row = _mm_sub_epi32(_mm_add_epi32(_mm_srli_epi32(v2, 16), hy), h0);
    const __m128i mask = _mm_set1_epi32(static_cast<int>(layerMask));
    const __m128i i2 = _mm_add_epi32(_mm_sll_epi32(_mm_and_si128(row, mask), _mm_cvtsi32_si128(layerShift)),
                                     _mm_and_si128(column, mask));
    layer = span::gather4(layerTexels, i2);
  }
#endif
};

// The same displacement read from the height map's slopes (image/height_slopes.h): one word
// per base texel instead of three height texels. Only the low bits of column and row survive
// the mask, so adding the slope's halves gives the same texel.
struct SlopeLookup {
  const uint32_t* texels;
  span::TexelAddress address;
  const uint32_t* layerTexels;
  uint32_t layerMask;
  int32_t layerShift;
  const uint32_t* slopes;

  SlopeLookup(const Image& texture, const Image& envMap, const uint32_t* slopeWords)
      : texels(texture.pixels),
        address(texture),
        layerTexels(envMap.pixels),
        layerMask(envMap.widthMask),
        layerShift(envMap.widthShift),
        slopes(slopeWords) {}

  void operator()(uint32_t u, uint32_t v, uint32_t u2, uint32_t v2, uint32_t& base, uint32_t& layer) const {
    const uint32_t i1 = address(u, v);
    base = texels[i1];
    const uint32_t slope = slopes[i1];
    const uint32_t column = (u2 >> 16) + slope;
    const uint32_t row = (v2 >> 16) + (slope >> 16);
    layer = layerTexels[((row & layerMask) << layerShift) + (column & layerMask)];
  }

#if ORVANTA_X86_VECTORS
  void four(__m128i u, __m128i v, __m128i u2, __m128i v2, __m128i& base, __m128i& layer) const {
    alignas(16) uint32_t lane[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lane), address(u, v));
    base = _mm_setr_epi32(static_cast<int>(texels[lane[0]]), static_cast<int>(texels[lane[1]]),
                          static_cast<int>(texels[lane[2]]), static_cast<int>(texels[lane[3]]));
    const __m128i slope = _mm_setr_epi32(static_cast<int>(slopes[lane[0]]), static_cast<int>(slopes[lane[1]]),
                                         static_cast<int>(slopes[lane[2]]), static_cast<int>(slopes[lane[3]]));
    const __m128i column = _mm_add_epi32(_mm_srli_epi32(u2, 16), slope);
    const __m128i row = _mm_add_epi32(_mm_srli_epi32(v2, 16), _mm_srli_epi32(slope, 16));
    const __m128i mask = _mm_set1_epi32(static_cast<int>(layerMask));
    const __m128i i2 = _mm_add_epi32(_mm_sll_epi32(_mm_and_si128(row, mask), _mm_cvtsi32_si128(layerShift)),
                                     _mm_and_si128(column, mask));
    layer = span::gather4(layerTexels, i2);
  }
#endif
};

#if ORVANTA_X86_AVX2
// SlopeLookup on eight pixels, for the walk compiled for AVX2. With gathers, lanes outside the
// rows read no texels; single loads read them for every lane (each index lies inside its
// texture, whatever the lane's coordinates).
template <cpu::LaneLoads kWay>
struct SlopeLookupAvx2 : SlopeLookup {
  using SlopeLookup::SlopeLookup;

  ORVANTA_TARGET_AVX2 __m256i load(const uint32_t* words, __m256i index, [[maybe_unused]] __m256i lanes) const {
    if constexpr (kWay == cpu::LaneLoads::kGather) {
      return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), reinterpret_cast<const int*>(words), index, lanes, 4);
    } else {
      return loadLanes<kWay>(words, index);
    }
  }

  ORVANTA_TARGET_AVX2 void eight(__m256i lanes, __m256i u, __m256i v, __m256i u2, __m256i v2, __m256i& base,
                                 __m256i& layer) const {
    const __m256i i1 = span::texelIndex8(address, u, v);
    base = load(texels, i1, lanes);
    const __m256i slope = load(slopes, i1, lanes);
    const __m256i column = _mm256_add_epi32(_mm256_srli_epi32(u2, 16), slope);
    const __m256i row = _mm256_add_epi32(_mm256_srli_epi32(v2, 16), _mm256_srli_epi32(slope, 16));
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(layerMask));
    const __m256i i2 = _mm256_add_epi32(
        _mm256_sll_epi32(_mm256_and_si256(row, mask), _mm_cvtsi32_si128(layerShift)), _mm256_and_si256(column, mask));
    layer = load(layerTexels, i2, lanes);
  }
};

template <typename Lookup>
constexpr bool kWalksPairs = false;
template <cpu::LaneLoads kWay>
constexpr bool kWalksPairs<SlopeLookupAvx2<kWay>> = true;
#endif

// The slopes when they were made from this height map and it has the base texture's square
// size (the lookups index it by the base texel and step a row by its height); else nullptr,
// and the map's texels are read.
const uint32_t* matchingSlopes(const HeightSlopes* slopes, const Image& texture, const Image& extra) {
  if (slopes == nullptr || extra.width != extra.height || extra.width != texture.width ||
      extra.height != texture.height) {
    return nullptr;
  }
  return slopes->wordsFor(extra);
}

// A pixel from the two layers' texels and the old pixel.
template <typename Lookup, typename Compose>
struct LayerShader {
  [[maybe_unused]] static constexpr bool kReadsOld = Compose::kReadsOld;
  Lookup lookup;
  Compose compose;

  uint32_t operator()(uint32_t old, uint32_t u, uint32_t v, uint32_t u2, uint32_t v2) const {
    uint32_t base;
    uint32_t layer;
    lookup(u, v, u2, v2, base, layer);
    return compose(base, layer, old);
  }

#if ORVANTA_X86_VECTORS
  __m128i four(__m128i old, __m128i u, __m128i v, __m128i u2, __m128i v2) const {
    __m128i base;
    __m128i layer;
    lookup.four(u, v, u2, v2, base, layer);
    return compose(base, layer, old);
  }
#endif

#if ORVANTA_X86_AVX2
  ORVANTA_TARGET_AVX2 __m256i eight(__m256i old, __m256i lanes, __m256i u, __m256i v, __m256i u2, __m256i v2) const {
    __m256i base;
    __m256i layer;
    lookup.eight(lanes, u, v, u2, v2, base, layer);
    return compose(base, layer, old);
  }
#endif
};

#if ORVANTA_X86_AVX2
// The walk of two rows at a time, compiled for AVX2 as a whole (flattened) so that the
// shader's gathers are inlined into it: rows are mostly a few pixels long, too short to pay a
// call per group.
template <bool kWriteDepth, typename Shader>
ORVANTA_TARGET_AVX2 __attribute__((flatten)) void walkSpansAvx2(const RenderTarget& target, const TriangleEdge& left,
                                                                const TriangleEdge& right, int32_t firstRow,
                                                                int32_t rows, const SpanSteps& steps,
                                                                const Shader& shader) {
  span::walkSpanPairs<true, kWriteDepth>(target, left, right, firstRow, rows, steps, shader);
}
#endif

template <bool kWriteDepth, typename Lookup, typename Compose>
void fillLayers(RenderTarget target, const Lookup& lookup, const TriangleEdge& left, const TriangleEdge& right,
                int32_t firstRow, int32_t rows, const SpanSteps& steps, Compose compose) {
  span::walkSpans<true, kWriteDepth>(target, left, right, firstRow, rows, steps,
                                     LayerShader<Lookup, Compose>{lookup, compose});
}

// A bump-mapped fill, from the slopes when they match the height map.
template <bool kWriteDepth, typename Compose>
void fillBumpLayers(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                    const HeightSlopes* slopes, [[maybe_unused]] cpu::VectorPath path,
                    [[maybe_unused]] cpu::LaneLoads loads, const TriangleEdge& left, const TriangleEdge& right,
                    int32_t firstRow, int32_t rows, const SpanSteps& steps, Compose compose) {
#if ORVANTA_X86_AVX2
  const uint32_t* words = matchingSlopes(slopes, texture, extra);
  if (words != nullptr && path == cpu::VectorPath::kAvx2 && cpu::hasAvx2()) {
    withLaneLoads(loads, [&]<cpu::LaneLoads kWay>() {
      using Lookup = SlopeLookupAvx2<kWay>;
      walkSpansAvx2<kWriteDepth>(target, left, right, firstRow, rows, steps,
                                 LayerShader<Lookup, Compose>{Lookup(texture, envMap, words), compose});
    });
    return;
  }
#endif
  if (const uint32_t* words = matchingSlopes(slopes, texture, extra)) {
    fillLayers<kWriteDepth>(target, SlopeLookup(texture, envMap, words), left, right, firstRow, rows, steps, compose);
  } else {
    fillLayers<kWriteDepth>(target, BumpLookup(texture, envMap, extra), left, right, firstRow, rows, steps, compose);
  }
}

// The ways of composing a pixel from base texel, second-layer texel and the old pixel, for
// one pixel, four and eight.
#if ORVANTA_X86_VECTORS
#define ORVANTA_COMPOSE_FOUR(body) \
  __m128i operator()(__m128i base, __m128i layer, [[maybe_unused]] __m128i old) const { return body; }
#else
#define ORVANTA_COMPOSE_FOUR(body)
#endif
#if ORVANTA_X86_AVX2
#define ORVANTA_COMPOSE_EIGHT(body)                                                                      \
  ORVANTA_TARGET_AVX2 __m256i operator()(__m256i base, __m256i layer, [[maybe_unused]] __m256i old) const { \
    return body;                                                                                         \
  }
#else
#define ORVANTA_COMPOSE_EIGHT(body)
#endif

#define ORVANTA_COMPOSE(name, readsOld, one, four, eight)                                                  \
  struct name {                                                                                           \
    [[maybe_unused]] static constexpr bool kReadsOld = readsOld;                                          \
    uint32_t operator()(uint32_t base, uint32_t layer, [[maybe_unused]] uint32_t old) const { return one; } \
    ORVANTA_COMPOSE_FOUR(four)                                                                            \
    ORVANTA_COMPOSE_EIGHT(eight)                                                                          \
  };

ORVANTA_COMPOSE(AddSaturated, false, span::addBytesSaturated(base, layer), span::addBytesSaturated4(base, layer),
                span::addBytesSaturated8(base, layer))
ORVANTA_COMPOSE(Average, false, span::averageBytes(base, layer), span::averageBytes4(base, layer),
                span::averageBytes8(base, layer))
ORVANTA_COMPOSE(Multiply, false, span::multiplyBytes(base, layer), span::multiplyBytes4(base, layer),
                span::multiplyBytes8(base, layer))
ORVANTA_COMPOSE(HalfThenAdd, true, span::addBytesSaturated(span::averageBytes(base, old), layer),
                span::addBytesSaturated4(span::averageBytes4(base, old), layer),
                span::addBytesSaturated8(span::averageBytes8(base, old), layer))
ORVANTA_COMPOSE(MultiplyThenHalf, true, span::averageBytes(span::multiplyBytes(base, layer), old),
                span::averageBytes4(span::multiplyBytes4(base, layer), old),
                span::averageBytes8(span::multiplyBytes8(base, layer), old))

#undef ORVANTA_COMPOSE
#undef ORVANTA_COMPOSE_FOUR
#undef ORVANTA_COMPOSE_EIGHT

// The triangle's parts walked as soon as they are set up, with one shader for both.
template <bool kWriteDepth, typename Lookup, typename Compose>
void setupWithLayers(RenderTarget target, const Lookup& lookup, Compose compose, RenderVertex& a, RenderVertex& b,
                     RenderVertex& c) {
  const LayerShader<Lookup, Compose> shader{lookup, compose};
  kernels::setupParts<true>(a, b, c,
                                   [&](const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow,
                                       int32_t rows, const SpanSteps& steps) {
#if ORVANTA_X86_AVX2
                                     if constexpr (kWalksPairs<Lookup>) {
                                       walkSpansAvx2<kWriteDepth>(target, left, right, firstRow, rows, steps, shader);
                                       return;
                                     }
#endif
                                     span::walkSpans<true, kWriteDepth>(target, left, right, firstRow, rows, steps,
                                                                        shader);
                                   });
}

// The lookup and composition a set's layer and combine modes choose: opaque and translucent
// routines differ in their depth writes and in how the layers meet the old pixel.
template <bool kWriteDepth, typename BumpAdd, typename PlainAdd, typename Product>
void setupLayersOf(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                   const HeightSlopes* slopes, RenderVertex& a, RenderVertex& b, RenderVertex& c, LayerMode layerMode,
                   CombineMode combineMode, [[maybe_unused]] cpu::LaneLoads loads) {
  const bool add = combineMode == kAdd;
  const uint32_t* slopeWords = layerMode == kBump ? matchingSlopes(slopes, texture, extra) : nullptr;
#if ORVANTA_X86_AVX2
  if (slopeWords != nullptr && cpu::hasAvx2()) {
    withLaneLoads(loads, [&]<cpu::LaneLoads kWay>() {
      const SlopeLookupAvx2<kWay> lookup(texture, envMap, slopeWords);
      if (add) {
        setupWithLayers<kWriteDepth>(target, lookup, BumpAdd(), a, b, c);
      } else {
        setupWithLayers<kWriteDepth>(target, lookup, Product(), a, b, c);
      }
    });
    return;
  }
#endif
  if (slopeWords != nullptr) {
    const SlopeLookup lookup(texture, envMap, slopeWords);
    if (add) {
      setupWithLayers<kWriteDepth>(target, lookup, BumpAdd(), a, b, c);
    } else {
      setupWithLayers<kWriteDepth>(target, lookup, Product(), a, b, c);
    }
  } else if (layerMode == kBump) {
    const BumpLookup lookup(texture, envMap, extra);
    if (add) {
      setupWithLayers<kWriteDepth>(target, lookup, BumpAdd(), a, b, c);
    } else {
      setupWithLayers<kWriteDepth>(target, lookup, Product(), a, b, c);
    }
  } else {
    const PlainLookup lookup(texture, envMap);
    if (add) {
      setupWithLayers<kWriteDepth>(target, lookup, PlainAdd(), a, b, c);
    } else {
      setupWithLayers<kWriteDepth>(target, lookup, Product(), a, b, c);
    }
  }
}

}  // namespace

void setupTwoLayerTriangle(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                           RenderVertex& a, RenderVertex& b, RenderVertex& c, LayerMode layerMode,
                           CombineMode combineMode, const HeightSlopes* slopes, cpu::LaneLoads loads) {
  setupLayersOf<true, AddSaturated, Average, Multiply>(target, texture, envMap, extra, slopes, a, b, c, layerMode,
                                                       combineMode, loads);
}

void setupTwoLayerTriangleTranslucent(RenderTarget target, const Image& texture, const Image& envMap,
                                      const Image& extra, RenderVertex& a, RenderVertex& b, RenderVertex& c,
                                      LayerMode layerMode, CombineMode combineMode, const HeightSlopes* slopes,
                                      cpu::LaneLoads loads) {
  setupLayersOf<false, HalfThenAdd, HalfThenAdd, MultiplyThenHalf>(target, texture, envMap, extra, slopes, a, b, c,
                                                                   layerMode, combineMode, loads);
}

void fillLayersBumpAdd(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                       TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps,
                       const HeightSlopes* slopes, cpu::VectorPath path, cpu::LaneLoads loads) {
  fillBumpLayers<true>(target, texture, envMap, extra, slopes, path, loads, left, right, firstRow, rows, steps,
                       AddSaturated());
}

void fillLayersBumpMultiply(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                            TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps,
                            const HeightSlopes* slopes, cpu::VectorPath path, cpu::LaneLoads loads) {
  fillBumpLayers<true>(target, texture, envMap, extra, slopes, path, loads, left, right, firstRow, rows, steps,
                       Multiply());
}

void fillLayersAdd(RenderTarget target, const Image& texture, const Image& envMap, TriangleEdge left,
                   TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<true>(target, PlainLookup(texture, envMap), left, right, firstRow, rows, steps, Average());
}

void fillLayersMultiply(RenderTarget target, const Image& texture, const Image& envMap, TriangleEdge left,
                        TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<true>(target, PlainLookup(texture, envMap), left, right, firstRow, rows, steps, Multiply());
}

void fillLayersBumpAddTranslucent(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                                  TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows,
                                  SpanSteps steps, const HeightSlopes* slopes, cpu::VectorPath path,
                                  cpu::LaneLoads loads) {
  fillBumpLayers<false>(target, texture, envMap, extra, slopes, path, loads, left, right, firstRow, rows, steps,
                        HalfThenAdd());
}

void fillLayersBumpMultiplyTranslucent(RenderTarget target, const Image& texture, const Image& envMap,
                                       const Image& extra, TriangleEdge left, TriangleEdge right, int32_t firstRow,
                                       int32_t rows, SpanSteps steps, const HeightSlopes* slopes,
                                       cpu::VectorPath path, cpu::LaneLoads loads) {
  fillBumpLayers<false>(target, texture, envMap, extra, slopes, path, loads, left, right, firstRow, rows, steps,
                        MultiplyThenHalf());
}

void fillLayersAddTranslucent(RenderTarget target, const Image& texture, const Image& envMap, TriangleEdge left,
                              TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<false>(target, PlainLookup(texture, envMap), left, right, firstRow, rows, steps, HalfThenAdd());
}

void fillLayersMultiplyTranslucent(RenderTarget target, const Image& texture, const Image& envMap, TriangleEdge left,
                                   TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps) {
  fillLayers<false>(target, PlainLookup(texture, envMap), left, right, firstRow, rows, steps, MultiplyThenHalf());
}

}  // namespace orvanta
