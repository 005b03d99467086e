#pragma once
// The span walk shared by every span routine: rows from the left to the right edge, with a
// sub-pixel prestep of the texture coordinates and a strictly-greater depth test per pixel.
// All 16.16 stepping is done in uint32_t so that it wraps like the machine's registers.

#include <cstdint>

#include "driver/depth_buffer.h"
#include "engine/raster.h"
#include "image/image.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvanta::span {

// The texel index of 16.16 coordinates (u, v) in a square power-of-two texture; both wrap.
// Only bits 16 to 25 of u and v survive the masks, so logical shifts give the same index as
// arithmetic ones.
struct TexelAddress {
  uint32_t mask;
  uint32_t rowMask;  // mask << shift
  int32_t rowShift;  // 16 - shift

  explicit TexelAddress(const Image& image)
      : mask(image.widthMask), rowMask(image.widthMask << image.widthShift), rowShift(16 - image.widthShift) {}

  uint32_t operator()(uint32_t u, uint32_t v) const { return ((v >> rowShift) & rowMask) + ((u >> 16) & mask); }

#if defined(__SSE2__)
  __m128i operator()(__m128i u, __m128i v) const {
    const __m128i row = _mm_and_si128(_mm_srl_epi32(v, _mm_cvtsi32_si128(rowShift)),
                                      _mm_set1_epi32(static_cast<int>(rowMask)));
    const __m128i column = _mm_and_si128(_mm_srli_epi32(u, 16), _mm_set1_epi32(static_cast<int>(mask)));
    return _mm_add_epi32(row, column);
  }
#endif
};

// The sub-pixel prestep ((step >> 4) * p) >> 4 of an attribute, the multiply wrapping in 32 bits.
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

#if defined(__SSE2__)
// The four-lane forms of a span's per-pixel steps, made once per span walk.
struct LaneSteps {
  __m128i offsetU, offsetV, offsetU2, offsetV2, offsetZ;  // 0, d, 2d, 3d
  __m128i stepU, stepV, stepU2, stepV2, stepZ;            // 4d

  explicit LaneSteps(const SpanSteps& steps) {
    auto offsets = [](int32_t step) {
      const uint32_t d = static_cast<uint32_t>(step);
      return _mm_setr_epi32(0, static_cast<int>(d), static_cast<int>(2u * d), static_cast<int>(3u * d));
    };
    auto four = [](int32_t step) { return _mm_set1_epi32(static_cast<int>(4u * static_cast<uint32_t>(step))); };
    offsetU = offsets(steps.du);
    offsetV = offsets(steps.dv);
    offsetU2 = offsets(steps.du2);
    offsetV2 = offsets(steps.dv2);
    offsetZ = offsets(steps.dInvDepth);
    stepU = four(steps.du);
    stepV = four(steps.dv);
    stepU2 = four(steps.du2);
    stepV2 = four(steps.dv2);
    stepZ = four(steps.dInvDepth);
  }
};
#else
struct LaneSteps {
  explicit LaneSteps(const SpanSteps&) {}
};
#endif

#if defined(__SSE2__)
// Draws `count` pixels (at least one) of one row in groups of four, the last group masked to
// the pixels that remain; at least the words of the last whole group must be addressable
// (their values outside the row are stored back unchanged).
template <bool kTwoLayers, bool kWriteDepth, typename Shader>
inline void drawGroups(uint32_t* pixel, int32_t* depth, int32_t count, const SpanPoint& point, const LaneSteps& lanes,
                       const Shader& shader) {
  __m128i u = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(point.u)), lanes.offsetU);
  __m128i v = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(point.v)), lanes.offsetV);
  __m128i u2 = _mm_setzero_si128();
  __m128i v2 = _mm_setzero_si128();
  if constexpr (kTwoLayers) {
    u2 = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(point.u2)), lanes.offsetU2);
    v2 = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(point.v2)), lanes.offsetV2);
  }
  __m128i z = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(point.z)), lanes.offsetZ);
  // Rows are mostly one to four pixels long, in no order the branch predictor could learn:
  // every group is shaded and stored through its mask, whatever passed.
  for (int32_t left = count;; left -= 4) {
    __m128i* const pixels = reinterpret_cast<__m128i*>(pixel);
    __m128i* const depths = reinterpret_cast<__m128i*>(depth);
    const __m128i stored = _mm_loadu_si128(depths);
    const __m128i inRow = _mm_cmpgt_epi32(_mm_set1_epi32(left), _mm_setr_epi32(0, 1, 2, 3));
    const __m128i pass = _mm_and_si128(_mm_cmpgt_epi32(z, stored), inRow);
    const __m128i old = _mm_loadu_si128(pixels);
    const __m128i fresh = shader.four(old, u, v, u2, v2);
    _mm_storeu_si128(pixels, _mm_or_si128(_mm_and_si128(pass, fresh), _mm_andnot_si128(pass, old)));
    if constexpr (kWriteDepth) {
      _mm_storeu_si128(depths, _mm_or_si128(_mm_and_si128(pass, z), _mm_andnot_si128(pass, stored)));
    }
    if (left <= 4) return;
    pixel += 4;
    depth += 4;
    u = _mm_add_epi32(u, lanes.stepU);
    v = _mm_add_epi32(v, lanes.stepV);
    if constexpr (kTwoLayers) {
      u2 = _mm_add_epi32(u2, lanes.stepU2);
      v2 = _mm_add_epi32(v2, lanes.stepV2);
    }
    z = _mm_add_epi32(z, lanes.stepZ);
  }
}
#endif

// Draws `count` pixels of one row from `point` on. A shader gives the new pixel of a pixel
// that passes the depth test: shader(old, u, v, u2, v2) for one pixel and, with SSE2,
// shader.four(old, u, v, u2, v2) for four neighbouring ones. Groups of four are tested,
// shaded and stored together; pixels and depths that fail the test are stored unchanged.
// `room` is how many words may be read and written from `pixel` and `depth` on: when it
// allows, the last one to three pixels form a group whose lanes past the row end count as
// failing (their words are stored back as they were).
template <bool kTwoLayers, bool kWriteDepth, typename Shader>
inline void drawRow(uint32_t* pixel, int32_t* depth, int32_t count, int64_t room, SpanPoint point,
                    const SpanSteps steps, const LaneSteps& lanes, const Shader& shader) {
  const uint32_t du = static_cast<uint32_t>(steps.du);
  const uint32_t dv = static_cast<uint32_t>(steps.dv);
  const uint32_t du2 = static_cast<uint32_t>(steps.du2);
  const uint32_t dv2 = static_cast<uint32_t>(steps.dv2);
  const uint32_t dz = static_cast<uint32_t>(steps.dInvDepth);
  int32_t i = 0;
#if defined(__SSE2__)
  if (room >= ((count + 3) & ~3)) {
    drawGroups<kTwoLayers, kWriteDepth>(pixel, depth, count, point, lanes, shader);
    return;
  }
  i = count & ~3;  // the whole groups; the rest one pixel at a time
  if (i > 0) {
    drawGroups<kTwoLayers, kWriteDepth>(pixel, depth, i, point, lanes, shader);
    const uint32_t done = static_cast<uint32_t>(i);
    point.u += done * du;
    point.v += done * dv;
    point.u2 += done * du2;
    point.v2 += done * dv2;
    point.z += done * dz;
  }
#else
  (void)room;
  (void)lanes;
#endif
  for (; i < count; ++i) {
    if (static_cast<int32_t>(point.z) > depth[i]) {
      pixel[i] = shader(pixel[i], point.u, point.v, point.u2, point.v2);
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

// Walks `rows` rows from `firstRow`: each row covers the columns ceiling(left x) up to
// ceiling(right x) - 1; the edges and the left edge's attributes step once per row.
template <bool kTwoLayers, bool kWriteDepth, typename Shader>
inline void walkSpans(Image& target, const TriangleEdge& leftEdge, const TriangleEdge& rightEdge, int32_t firstRow,
                      int32_t rows, const SpanSteps& stepsIn, const Shader& shaderIn) {
  // Local copies: the pixel and depth stores could otherwise alias them, forcing reloads.
  const SpanSteps steps = stepsIn;
  const Shader shader = shaderIn;
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

  const LaneSteps lanes(steps);
  const int64_t words = static_cast<int64_t>(height) * width;  // both arrays hold at least these

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
#if defined(__SSE2__)
        // Above the last row, the words after a row's end belong to the next row, so the last
        // group of four always stays inside the arrays.
        if (row + 1 < height && width >= 3) {
          drawGroups<kTwoLayers, kWriteDepth>(pixels + rowStart, depths + rowStart, xe - xs, point, lanes, shader);
        } else {
          drawRow<kTwoLayers, kWriteDepth>(pixels + rowStart, depths + rowStart, xe - xs, words - rowStart, point,
                                           steps, lanes, shader);
        }
#else
        drawRow<kTwoLayers, kWriteDepth>(pixels + rowStart, depths + rowStart, xe - xs, words - rowStart, point, steps,
                                         lanes, shader);
#endif
      }
    }
    advanceRows(1);
  }
}

}  // namespace orvanta::span
