#pragma once
// The span walk shared by every span routine: rows from the left to the right edge, with a
// sub-pixel prestep of the texture coordinates and a strictly-greater depth test per pixel.
// All 16.16 stepping is done in uint32_t so that it wraps like the machine's registers.

#include <cstdint>

#include "driver/depth_buffer.h"
#include "engine/raster.h"
#include "image/image.h"

namespace orvanta::span {

// The texel index of 16.16 coordinates (u, v) in a square power-of-two texture; both wrap.
// (v >> 16) & mask keeps only bits below bit 26, so a logical shift gives the same bits as
// an arithmetic one.
struct TexelAddress {
  uint32_t mask;
  uint32_t rowMask;  // mask << shift
  int32_t rowShift;  // 16 - shift

  explicit TexelAddress(const Image& image)
      : mask(image.widthMask), rowMask(image.widthMask << image.widthShift), rowShift(16 - image.widthShift) {}

  uint32_t operator()(uint32_t u, uint32_t v) const { return ((v >> rowShift) & rowMask) + ((u >> 16) & mask); }
};

// left + ((((step >> 4) * p) >> 4), the multiply wrapping in 32 bits.
inline uint32_t prestep(int32_t step, uint32_t p) {
  const uint32_t scaled = static_cast<uint32_t>(step >> 4) * p;
  return static_cast<uint32_t>(static_cast<int32_t>(scaled) >> 4);
}

// Per-pixel attributes of one span position.
struct SpanPoint {
  uint32_t u;
  uint32_t v;
  uint32_t u2;
  uint32_t v2;
  uint32_t z;
};

// `shade(old, u, v, u2, v2)` gives the new pixel for a pixel that passes the depth test.
template <bool kTwoLayers, bool kWriteDepth, typename Shade>
inline void walkSpans(Image& target, const TriangleEdge& leftEdge, const TriangleEdge& rightEdge, int32_t firstRow,
                      int32_t rows, const SpanSteps& steps, Shade&& shade) {
  uint32_t* const pixels = target.pixels;
  int32_t* const depths = gDepthBuffer.values;
  const int32_t width = target.width;
  // The depth buffer is addressed like the target, so it must share the width; rows and
  // columns outside both are never touched.
  const int32_t height = target.height < gDepthBuffer.height ? target.height : gDepthBuffer.height;
  if (pixels == nullptr || depths == nullptr || width <= 0 || gDepthBuffer.width != width || rows <= 0) return;

  uint32_t leftX = static_cast<uint32_t>(leftEdge.x);
  uint32_t rightX = static_cast<uint32_t>(rightEdge.x);
  uint32_t leftU = static_cast<uint32_t>(leftEdge.u);
  uint32_t leftV = static_cast<uint32_t>(leftEdge.v);
  uint32_t leftU2 = static_cast<uint32_t>(leftEdge.u2);
  uint32_t leftV2 = static_cast<uint32_t>(leftEdge.v2);
  uint32_t leftZ = static_cast<uint32_t>(leftEdge.invDepth);
  const uint32_t leftXStep = static_cast<uint32_t>(leftEdge.xStep);
  const uint32_t rightXStep = static_cast<uint32_t>(rightEdge.xStep);
  const uint32_t leftUStep = static_cast<uint32_t>(leftEdge.uStep);
  const uint32_t leftVStep = static_cast<uint32_t>(leftEdge.vStep);
  const uint32_t leftU2Step = static_cast<uint32_t>(leftEdge.u2Step);
  const uint32_t leftV2Step = static_cast<uint32_t>(leftEdge.v2Step);
  const uint32_t leftZStep = static_cast<uint32_t>(leftEdge.invDepthStep);
  const uint32_t du = static_cast<uint32_t>(steps.du);
  const uint32_t dv = static_cast<uint32_t>(steps.dv);
  const uint32_t du2 = static_cast<uint32_t>(steps.du2);
  const uint32_t dv2 = static_cast<uint32_t>(steps.dv2);
  const uint32_t dz = static_cast<uint32_t>(steps.dInvDepth);

  auto advanceRows = [&](uint32_t count) {
    leftX += count * leftXStep;
    rightX += count * rightXStep;
    leftU += count * leftUStep;
    leftV += count * leftVStep;
    if constexpr (kTwoLayers) {
      leftU2 += count * leftU2Step;
      leftV2 += count * leftV2Step;
    }
    leftZ += count * leftZStep;
  };

  int64_t row = firstRow;
  int64_t endRow = static_cast<int64_t>(firstRow) + rows;
  if (row < 0) {
    // Rows above the target: the edges walk past them (k steps equal k wrapped additions).
    const int64_t skipTo = endRow < 0 ? endRow : 0;
    advanceRows(static_cast<uint32_t>(skipTo - row));
    row = skipTo;
  }
  if (endRow > height) endRow = height;

  for (; row < endRow; ++row) {
    int32_t xs = fixedCeil(static_cast<int32_t>(leftX));
    int32_t xe = fixedCeil(static_cast<int32_t>(rightX));
    if (xe > width) xe = width;
    if (xs < xe) {
      const uint32_t p = (0xFFFFu - (leftX & 0xFFFFu)) >> 8;
      SpanPoint point;
      point.u = leftU + prestep(steps.du, p);
      point.v = leftV + prestep(steps.dv, p);
      if constexpr (kTwoLayers) {
        point.u2 = leftU2 + prestep(steps.du2, p);
        point.v2 = leftV2 + prestep(steps.dv2, p);
      } else {
        point.u2 = 0;
        point.v2 = 0;
      }
      point.z = leftZ;
      if (xs < 0) {
        // Columns left of the target are stepped over, not drawn.
        const uint32_t skip = static_cast<uint32_t>(-xs);
        point.u += skip * du;
        point.v += skip * dv;
        if constexpr (kTwoLayers) {
          point.u2 += skip * du2;
          point.v2 += skip * dv2;
        }
        point.z += skip * dz;
        xs = 0;
      }
      if (xs < xe) {
        const int64_t rowStart = row * width + xs;
        uint32_t* pixel = pixels + rowStart;
        int32_t* depth = depths + rowStart;
        const int32_t count = xe - xs;
        for (int32_t i = 0; i < count; ++i) {
          if (static_cast<int32_t>(point.z) > depth[i]) {
            pixel[i] = shade(pixel[i], point.u, point.v, point.u2, point.v2);
            if constexpr (kWriteDepth) depth[i] = static_cast<int32_t>(point.z);
          }
          point.u += du;
          point.v += dv;
          if constexpr (kTwoLayers) {
            point.u2 += du2;
            point.v2 += dv2;
          }
          point.z += dz;
        }
      }
    }
    advanceRows(1);
  }
}

}  // namespace orvanta::span
