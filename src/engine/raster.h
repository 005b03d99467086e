#pragma once
// Triangle dispatch, setup in 16.16 fixed point, and the span routines.

#include <cstdint>

#include "base/cpu_features.h"
#include "engine/mesh.h"
#include "engine/render_target.h"
#include "engine/texture_set.h"
#include "image/image.h"

namespace orvanta {

inline constexpr float kDepthNumerator = 32767.0f;
inline constexpr double kMinDoubleArea = 0.5;
inline constexpr double kMinMiddleWidth = 0.1;
inline constexpr int32_t kFixedOverflow = 0x7FFF0000;

enum LayerMode : int32_t { kPlain = 2, kBump = 32 };
enum CombineMode : int32_t { kAdd = 64, kMultiply = 128 };

struct TriangleEdge {
  int32_t x = 0;
  int32_t xStep = 0;
  int32_t u = 0;
  int32_t v = 0;
  int32_t u2 = 0;
  int32_t v2 = 0;
  int32_t uStep = 0;
  int32_t vStep = 0;
  int32_t u2Step = 0;
  int32_t v2Step = 0;
  int32_t invDepth = 0;
  int32_t invDepthStep = 0;
};

struct SpanSteps {
  int32_t du = 0;
  int32_t dv = 0;
  int32_t du2 = 0;
  int32_t dv2 = 0;
  int32_t dInvDepth = 0;
};

// Float to 16.16; anything outside (-32768, 32768), NaN included, becomes kFixedOverflow.
inline int32_t toFixed(float value) {
  // The float product is exact (a power of two), and inside the range it fits int32.
  if (value > -32768.0f && value < 32768.0f) return static_cast<int32_t>(value * 65536.0f);
  return kFixedOverflow;
}

// Ceiling of a 16.16 value, as an integer.
inline int32_t fixedCeil(int32_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value) + 0xFFFFu) >> 16;
}

// True when an image can be sampled by the span routines: pixels present, square, a power of
// two from 16 to 1024 wide, with a matching widthShift / widthMask pair.
bool textureDrawable(const Image& image);

// True when every image the set's drawing path reads is there and addressable; a set that
// fails draws nothing instead of reading outside its images.
bool textureSetDrawable(const TextureSet& set);

void drawTriangle(RenderTarget target, const TextureSet& set, RenderVertex& a, RenderVertex& b, RenderVertex& c);
// The same for a set already known to pass textureSetDrawable (a mesh checks it once).
void drawTriangleOfDrawableSet(RenderTarget target, const TextureSet& set, RenderVertex& a, RenderVertex& b,
                               RenderVertex& c);
void drawWireTriangle(Image& target, RenderVertex& a, RenderVertex& b, RenderVertex& c, uint32_t colour);

// The setup shared by both paths. It writes pixelX / pixelY of the three records and hands
// each part of the triangle (at most two) to `sink`; u2 / v2 are set up only with `twoLayers`.
using SpanSink = void (*)(void* context, const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow,
                          int32_t rows, const SpanSteps& steps);
void setupTriangle(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink, void* context);

// The Avx2 walks of these load their texels the way `loads` says (the same pixels either way).
void setupTexturedTriangle(RenderTarget target, const Image& texture, RenderVertex& a, RenderVertex& b,
                           RenderVertex& c, cpu::LaneLoads loads = cpu::fasterLaneLoads());
void setupTexturedTriangleTranslucent(RenderTarget target, const Image& texture, RenderVertex& a, RenderVertex& b,
                                      RenderVertex& c, cpu::LaneLoads loads = cpu::fasterLaneLoads());
// With `slopes` made from `extra` (a square map), the bump lookups read them in place of its texels.
void setupTwoLayerTriangle(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                           RenderVertex& a, RenderVertex& b, RenderVertex& c, LayerMode layerMode,
                           CombineMode combineMode, const HeightSlopes* slopes = nullptr,
                           cpu::LaneLoads loads = cpu::fasterLaneLoads());
void setupTwoLayerTriangleTranslucent(RenderTarget target, const Image& texture, const Image& envMap,
                                      const Image& extra, RenderVertex& a, RenderVertex& b, RenderVertex& c,
                                      LayerMode layerMode, CombineMode combineMode,
                                      const HeightSlopes* slopes = nullptr,
                                      cpu::LaneLoads loads = cpu::fasterLaneLoads());

// Span routines. Each fills `rows` rows from `firstRow`, walking its own copies of the edges;
// a pixel is drawn where the interpolated inverse depth is strictly greater than the target's depth.
// Opaque routines write the depth, translucent ones leave it. Rows and columns outside the
// target (or a depth buffer of another width) are never touched. The bump routines read
// `slopes` in place of the height map's texels when they were made from it, and then take the
// Avx2 walk (its texels loaded the way `loads` says) where the processor runs it, unless
// `path` asks for an older one.
void fillTexturedSpans(RenderTarget target, const Image& texture, TriangleEdge left, TriangleEdge right,
                       int32_t firstRow, int32_t rows, SpanSteps steps);
void fillTexturedSpansTranslucent(RenderTarget target, const Image& texture, TriangleEdge left, TriangleEdge right,
                                  int32_t firstRow, int32_t rows, SpanSteps steps);

void fillLayersBumpAdd(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                       TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps,
                       const HeightSlopes* slopes = nullptr, cpu::VectorPath path = cpu::VectorPath::kAvx2,
                       cpu::LaneLoads loads = cpu::fasterLaneLoads());
void fillLayersBumpMultiply(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                            TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps,
                            const HeightSlopes* slopes = nullptr, cpu::VectorPath path = cpu::VectorPath::kAvx2,
                            cpu::LaneLoads loads = cpu::fasterLaneLoads());
void fillLayersAdd(RenderTarget target, const Image& texture, const Image& envMap, TriangleEdge left,
                   TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps);
void fillLayersMultiply(RenderTarget target, const Image& texture, const Image& envMap, TriangleEdge left,
                        TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps);
void fillLayersBumpAddTranslucent(RenderTarget target, const Image& texture, const Image& envMap, const Image& extra,
                                  TriangleEdge left, TriangleEdge right, int32_t firstRow, int32_t rows,
                                  SpanSteps steps, const HeightSlopes* slopes = nullptr,
                                  cpu::VectorPath path = cpu::VectorPath::kAvx2,
                                  cpu::LaneLoads loads = cpu::fasterLaneLoads());
void fillLayersBumpMultiplyTranslucent(RenderTarget target, const Image& texture, const Image& envMap,
                                       const Image& extra, TriangleEdge left, TriangleEdge right, int32_t firstRow,
                                       int32_t rows, SpanSteps steps, const HeightSlopes* slopes = nullptr,
                                       cpu::VectorPath path = cpu::VectorPath::kAvx2,
                                       cpu::LaneLoads loads = cpu::fasterLaneLoads());
void fillLayersAddTranslucent(RenderTarget target, const Image& texture, const Image& envMap, TriangleEdge left,
                              TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps);
void fillLayersMultiplyTranslucent(RenderTarget target, const Image& texture, const Image& envMap, TriangleEdge left,
                                   TriangleEdge right, int32_t firstRow, int32_t rows, SpanSteps steps);

}  // namespace orvanta
