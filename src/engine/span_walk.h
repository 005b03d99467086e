#pragma once
// The span walk shared by every span routine: rows from the left to the right edge, with a
// sub-pixel prestep of the texture coordinates and a strictly-greater depth test per pixel.
// All 16.16 stepping is done in uint32_t so that it wraps like the machine's registers.

#include <cstdint>

#include "base/cpu_features.h"
#include "engine/raster.h"
#include "engine/render_target.h"
#include "image/image.h"

#if ORVANTA_X86_VECTORS
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
#if ORVANTA_X86_VECTORS
  __m128i maskLanes;
  __m128i rowMaskLanes;
  __m128i rowShiftCount;
#endif

  explicit TexelAddress(const Image& image)
      : mask(image.widthMask), rowMask(image.widthMask << image.widthShift), rowShift(16 - image.widthShift) {
#if ORVANTA_X86_VECTORS
    maskLanes = _mm_set1_epi32(static_cast<int>(mask));
    rowMaskLanes = _mm_set1_epi32(static_cast<int>(rowMask));
    rowShiftCount = _mm_cvtsi32_si128(rowShift);
#endif
  }

  uint32_t operator()(uint32_t u, uint32_t v) const { return ((v >> rowShift) & rowMask) + ((u >> 16) & mask); }

#if ORVANTA_X86_VECTORS
  __m128i operator()(__m128i u, __m128i v) const {
    const __m128i row = _mm_and_si128(_mm_srl_epi32(v, rowShiftCount), rowMaskLanes);
    const __m128i column = _mm_and_si128(_mm_srli_epi32(u, 16), maskLanes);
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

// Moves a point `count` pixels along the row.
template <bool kTwoLayers>
inline void stepAlong(SpanPoint& point, const SpanSteps& steps, uint32_t count) {
  point.u += count * static_cast<uint32_t>(steps.du);
  point.v += count * static_cast<uint32_t>(steps.dv);
  if constexpr (kTwoLayers) {
    point.u2 += count * static_cast<uint32_t>(steps.du2);
    point.v2 += count * static_cast<uint32_t>(steps.dv2);
  }
  point.z += count * static_cast<uint32_t>(steps.dInvDepth);
}

// Moves an edge `count` rows down (k steps equal k wrapped additions).
inline void stepDown(TriangleEdge& edge, uint32_t count) {
  auto add = [count](int32_t& value, int32_t step) {
    value = static_cast<int32_t>(static_cast<uint32_t>(value) + count * static_cast<uint32_t>(step));
  };
  add(edge.x, edge.xStep);
  add(edge.u, edge.uStep);
  add(edge.v, edge.vStep);
  add(edge.u2, edge.u2Step);
  add(edge.v2, edge.v2Step);
  add(edge.invDepth, edge.invDepthStep);
}

#if ORVANTA_X86_VECTORS
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

// A span position in two registers, (u, z, v, -) and (u2, -, v2, -): u and v sit in the even
// lanes, where one unsigned multiply gives both their presteps.
struct LanePoint {
  __m128i first;
  __m128i second;
};

inline SpanPoint toSpanPoint(const LanePoint& point) {
  alignas(16) uint32_t first[4];
  alignas(16) uint32_t second[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(first), point.first);
  _mm_store_si128(reinterpret_cast<__m128i*>(second), point.second);
  return {first[0], first[2], second[0], second[2], first[1]};
}

inline LanePoint toLanePoint(const SpanPoint& point) {
  return {_mm_setr_epi32(static_cast<int>(point.u), static_cast<int>(point.z), static_cast<int>(point.v), 0),
          _mm_setr_epi32(static_cast<int>(point.u2), 0, static_cast<int>(point.v2), 0)};
}

// The left edge as it steps down the rows: x, and the attributes in the lanes of a LanePoint.
struct LeftEdge {
  uint32_t x;
  uint32_t xStep;
  LanePoint at;
  LanePoint step;
  LanePoint prestepFactors;  // (du >> 4, -, dv >> 4, -) and (du2 >> 4, -, dv2 >> 4, -)

  LeftEdge(const TriangleEdge& edge, const SpanSteps& steps)
      : x(static_cast<uint32_t>(edge.x)),
        xStep(static_cast<uint32_t>(edge.xStep)),
        at{_mm_setr_epi32(edge.u, edge.invDepth, edge.v, 0), _mm_setr_epi32(edge.u2, 0, edge.v2, 0)},
        step{_mm_setr_epi32(edge.uStep, edge.invDepthStep, edge.vStep, 0),
             _mm_setr_epi32(edge.u2Step, 0, edge.v2Step, 0)},
        prestepFactors{_mm_setr_epi32(steps.du >> 4, 0, steps.dv >> 4, 0),
                       _mm_setr_epi32(steps.du2 >> 4, 0, steps.dv2 >> 4, 0)} {}

  template <bool kTwoLayers>
  void stepDown() {
    x += xStep;
    at.first = _mm_add_epi32(at.first, step.first);
    if constexpr (kTwoLayers) at.second = _mm_add_epi32(at.second, step.second);
  }

  // The row's first pixel: the edge's attributes plus their sub-pixel presteps for p. The
  // low word of each 64-bit product is the 32-bit product, shifted as a signed word.
  template <bool kTwoLayers>
  LanePoint rowStart(uint32_t p) const {
    const __m128i factor = _mm_set1_epi32(static_cast<int>(p));
    const __m128i evenLanes = _mm_setr_epi32(-1, 0, -1, 0);
    auto presteps = [&](__m128i factors) {
      return _mm_and_si128(_mm_srai_epi32(_mm_mul_epu32(factors, factor), 4), evenLanes);
    };
    LanePoint point;
    point.first = _mm_add_epi32(at.first, presteps(prestepFactors.first));
    point.second = kTwoLayers ? _mm_add_epi32(at.second, presteps(prestepFactors.second)) : _mm_setzero_si128();
    return point;
  }
};

// One group of four pixels: the lanes that are inside the row and pass the depth test take
// the shader's pixel (and their depth); the others are stored back as they were.
template <bool kWriteDepth, typename Shader>
inline void drawGroup(uint32_t* pixel, int32_t* depth, int32_t left, __m128i u, __m128i v, __m128i z, __m128i u2,
                      __m128i v2, const Shader& shader) {
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
}

// Draws `count` pixels (at least one) of one row in groups of four, the last group masked to
// the pixels that remain; at least the words of the last whole group must be addressable
// (their values outside the row are stored back unchanged).
template <bool kTwoLayers, bool kWriteDepth, typename Shader>
inline void drawGroups(uint32_t* pixel, int32_t* depth, int32_t count, const LanePoint& point,
                       const LaneSteps& lanes, const Shader& shader) {
  __m128i u = _mm_add_epi32(_mm_shuffle_epi32(point.first, 0x00), lanes.offsetU);
  __m128i v = _mm_add_epi32(_mm_shuffle_epi32(point.first, 0xAA), lanes.offsetV);
  __m128i z = _mm_add_epi32(_mm_shuffle_epi32(point.first, 0x55), lanes.offsetZ);
  __m128i u2 = _mm_setzero_si128();
  __m128i v2 = _mm_setzero_si128();
  if constexpr (kTwoLayers) {
    u2 = _mm_add_epi32(_mm_shuffle_epi32(point.second, 0x00), lanes.offsetU2);
    v2 = _mm_add_epi32(_mm_shuffle_epi32(point.second, 0xAA), lanes.offsetV2);
  }
  // Rows are mostly one to four pixels long, in no order the branch predictor could learn:
  // every group is shaded and stored through its mask, whatever passed. A row of one group
  // takes a path of its own: it steps nothing, so it needs fewer registers and the walk
  // around it keeps its values in registers.
  if (count <= 4) {
    drawGroup<kWriteDepth>(pixel, depth, count, u, v, z, u2, v2, shader);
    return;
  }
  for (int32_t left = count;; left -= 4) {
    drawGroup<kWriteDepth>(pixel, depth, left, u, v, z, u2, v2, shader);
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
#else
struct LaneSteps {
  explicit LaneSteps(const SpanSteps&) {}
};

using LanePoint = SpanPoint;
inline SpanPoint toSpanPoint(const SpanPoint& point) { return point; }
inline SpanPoint toLanePoint(const SpanPoint& point) { return point; }

struct LeftEdge {
  TriangleEdge edge;
  SpanSteps steps;
  uint32_t x;

  LeftEdge(const TriangleEdge& start, const SpanSteps& spanSteps)
      : edge(start), steps(spanSteps), x(static_cast<uint32_t>(start.x)) {}

  template <bool kTwoLayers>
  void stepDown() {
    span::stepDown(edge, 1);
    x = static_cast<uint32_t>(edge.x);
  }

  template <bool kTwoLayers>
  SpanPoint rowStart(uint32_t p) const {
    SpanPoint point;
    point.u = static_cast<uint32_t>(edge.u) + prestep(steps.du, p);
    point.v = static_cast<uint32_t>(edge.v) + prestep(steps.dv, p);
    point.u2 = kTwoLayers ? static_cast<uint32_t>(edge.u2) + prestep(steps.du2, p) : 0u;
    point.v2 = kTwoLayers ? static_cast<uint32_t>(edge.v2) + prestep(steps.dv2, p) : 0u;
    point.z = static_cast<uint32_t>(edge.invDepth);
    return point;
  }
};
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
  int32_t i = 0;
#if ORVANTA_X86_VECTORS
  if (room >= ((count + 3) & ~3)) {
    drawGroups<kTwoLayers, kWriteDepth>(pixel, depth, count, toLanePoint(point), lanes, shader);
    return;
  }
  i = count & ~3;  // the whole groups; the rest one pixel at a time
  if (i > 0) {
    drawGroups<kTwoLayers, kWriteDepth>(pixel, depth, i, toLanePoint(point), lanes, shader);
    stepAlong<kTwoLayers>(point, steps, static_cast<uint32_t>(i));
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
    stepAlong<kTwoLayers>(point, steps, 1);
  }
}

// A walk's arrays and its rows clipped to them, the edges already stepped past the rows above
// the target; no rows (row >= endRow) when nothing can be drawn. The depth buffer is
// addressed like the target, so it must share the width; rows and columns outside both are
// never touched.
struct WalkArea {
  uint32_t* pixels = nullptr;
  int32_t* depths = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  TriangleEdge left{};
  uint32_t rightX = 0;
  uint32_t rightXStep = 0;
  int64_t row = 0;
  int64_t endRow = 0;
};

inline WalkArea walkArea(const RenderTarget& target, const TriangleEdge& leftEdge, const TriangleEdge& rightEdge,
                         int32_t firstRow, int32_t rows) {
  WalkArea area;
  const Image& image = target.image;
  const DepthBuffer& depth = target.depth;
  if (image.pixels == nullptr || depth.values == nullptr || image.width <= 0 || depth.width != image.width ||
      rows <= 0) {
    return area;
  }
  area.pixels = image.pixels;
  area.depths = depth.values;
  area.width = image.width;
  area.height = image.height < depth.height ? image.height : depth.height;
  area.left = leftEdge;
  area.rightX = static_cast<uint32_t>(rightEdge.x);
  area.rightXStep = static_cast<uint32_t>(rightEdge.xStep);
  area.row = firstRow;
  area.endRow = static_cast<int64_t>(firstRow) + rows;
  if (area.row < 0) {
    // Rows above the target: the edges walk past them.
    const int64_t skipTo = area.endRow < 0 ? area.endRow : 0;
    const uint32_t skipped = static_cast<uint32_t>(skipTo - area.row);
    stepDown(area.left, skipped);
    area.rightX += skipped * area.rightXStep;
    area.row = skipTo;
  }
  if (area.endRow > area.height) area.endRow = area.height;
  return area;
}

// Walks `rows` rows from `firstRow`: each row covers the columns ceiling(left x) up to
// ceiling(right x) - 1; the edges and the left edge's attributes step once per row.
template <bool kTwoLayers, bool kWriteDepth, typename Shader>
inline void walkSpans(const RenderTarget& target, const TriangleEdge& leftEdge, const TriangleEdge& rightEdge,
                      int32_t firstRow, int32_t rows, const SpanSteps& stepsIn, const Shader& shaderIn) {
  // Local copies: the pixel and depth stores could otherwise alias them, forcing reloads.
  const SpanSteps steps = stepsIn;
  const Shader shader = shaderIn;
  const WalkArea area = walkArea(target, leftEdge, rightEdge, firstRow, rows);
  if (area.row >= area.endRow) return;
  // Plain locals, not structured bindings: the row loop below is a lambda, and not every
  // compiler this builds with lets a lambda capture bindings.
  uint32_t* const pixels = area.pixels;
  int32_t* const depths = area.depths;
  const int32_t width = area.width;
  const int32_t height = area.height;
  const TriangleEdge& leftStart = area.left;
  uint32_t rightX = area.rightX;
  const uint32_t rightXStep = area.rightXStep;
  int64_t row = area.row;
  const int64_t endRow = area.endRow;

  LeftEdge left(leftStart, steps);
  const LaneSteps lanes(steps);
  const int64_t words = static_cast<int64_t>(height) * width;  // both arrays hold at least these
  // Above the last row, the words after a row's end belong to the next row, so a row's last
  // group of four always stays inside the arrays; the rows up to the last one go first, with
  // no check per row.
  const int64_t groupsEnd = width < 3 ? row : (endRow < height ? endRow : height - 1);
  auto walkRows = [&]<bool kWholeGroups>(int64_t end) {
    for (; row < end; ++row) {
      int32_t xs = fixedCeil(static_cast<int32_t>(left.x));
      int32_t xe = fixedCeil(static_cast<int32_t>(rightX));
      if (xe > width) xe = width;
      if (xs < xe) {
        LanePoint point = left.template rowStart<kTwoLayers>((0xFFFFu - (left.x & 0xFFFFu)) >> 8);
        if (xs < 0) {
          // Columns left of the target are stepped over, not drawn.
          SpanPoint shifted = toSpanPoint(point);
          stepAlong<kTwoLayers>(shifted, steps, static_cast<uint32_t>(-xs));
          point = toLanePoint(shifted);
          xs = 0;
        }
        if (xs < xe) {
          const int64_t rowStart = row * width + xs;
#if ORVANTA_X86_VECTORS
          if constexpr (kWholeGroups) {
            drawGroups<kTwoLayers, kWriteDepth>(pixels + rowStart, depths + rowStart, xe - xs, point, lanes, shader);
          } else {
            drawRow<kTwoLayers, kWriteDepth>(pixels + rowStart, depths + rowStart, xe - xs, words - rowStart,
                                             toSpanPoint(point), steps, lanes, shader);
          }
#else
          drawRow<kTwoLayers, kWriteDepth>(pixels + rowStart, depths + rowStart, xe - xs, words - rowStart, point,
                                           steps, lanes, shader);
#endif
        }
      }
      left.template stepDown<kTwoLayers>();
      rightX += rightXStep;
    }
  };
  walkRows.template operator()<true>(groupsEnd);
  walkRows.template operator()<false>(endRow);
}

}  // namespace orvanta::span
