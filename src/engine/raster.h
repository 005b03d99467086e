#pragma once
// Triangle dispatch, setup in 16.16 fixed point, and the span routines.

#include <cstdint>

#include "engine/mesh.h"
#include "image/image.h"
#include "image/texture_set.h"

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

int32_t toFixed(float value);

void drawTriangle(Image& target, const TextureSet& set, RenderVertex& a, RenderVertex& b, RenderVertex& c);
void drawWireTriangle(Image& target, RenderVertex& a, RenderVertex& b, RenderVertex& c, uint32_t colour);

}  // namespace orvanta
