#pragma once
// The triangle setup with a vertex's position and every attribute in the lanes of SSE
// registers: (x, u, v, invDepth) and, for two layers, (u2, v2, -, -). Every lane takes the
// operations of its own formula in the same order, and single-precision lanes round exactly
// like scalar floats (nothing is fused), so the edges and steps equal those of the plain
// setup. setupParts takes the Sse2 setup where the build has it, the Reference one elsewhere.
//
// What does not depend on which corner is on top (pixel rows, the inverse depths, each
// corner's lanes) is done first in the corners' own order, and the corners are then ordered
// without branches: on small triangles the order is as good as random, and a mispredicted
// branch costs more than the whole sort.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "base/cpu_features.h"
#include "engine/triangle_setup_kernels.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>

namespace orvanta::kernels::lanes {

struct Lanes {
  __m128 first;   // x, u, v, invDepth
  __m128 second;  // u2, v2, 0, 0
};

template <bool kTwoLayers>
inline Lanes minus(const Lanes& a, const Lanes& b) {
  return {_mm_sub_ps(a.first, b.first), kTwoLayers ? _mm_sub_ps(a.second, b.second) : _mm_setzero_ps()};
}

template <bool kTwoLayers>
inline Lanes times(const Lanes& a, __m128 k) {
  return {_mm_mul_ps(a.first, k), kTwoLayers ? _mm_mul_ps(a.second, k) : _mm_setzero_ps()};
}

// a + k * b, the product first.
template <bool kTwoLayers>
inline Lanes plusScaled(const Lanes& a, __m128 k, const Lanes& b) {
  return {_mm_add_ps(a.first, _mm_mul_ps(k, b.first)),
          kTwoLayers ? _mm_add_ps(a.second, _mm_mul_ps(k, b.second)) : _mm_setzero_ps()};
}

// toFixed in every lane. Inside (-32768, 32768) the exact product truncates to an int32 above
// INT32_MIN; everything else (NaN, infinities, -32768 itself) converts to INT32_MIN, which one
// exclusive-or turns into kFixedOverflow.
inline __m128i fixed(__m128 value) {
  const __m128i truncated = _mm_cvttps_epi32(_mm_mul_ps(value, _mm_set1_ps(65536.0f)));
  const __m128i outside = _mm_cmpeq_epi32(truncated, _mm_set1_epi32(INT32_MIN));
  static_assert((INT32_MIN ^ static_cast<int32_t>(0xFFFF0000u)) == kFixedOverflow);
  return _mm_xor_si128(truncated, _mm_and_si128(outside, _mm_set1_epi32(static_cast<int32_t>(0xFFFF0000u))));
}

// fixedCeil of toFixed in every lane.
inline __m128i pixelsOf(__m128 value) {
  return _mm_srai_epi32(_mm_add_epi32(fixed(value), _mm_set1_epi32(0xFFFF)), 16);
}

inline __m128 broadcast(__m128 value, int lane) {
  switch (lane) {
    case 0:
      return _mm_shuffle_ps(value, value, _MM_SHUFFLE(0, 0, 0, 0));
    case 1:
      return _mm_shuffle_ps(value, value, _MM_SHUFFLE(1, 1, 1, 1));
    case 2:
      return _mm_shuffle_ps(value, value, _MM_SHUFFLE(2, 2, 2, 2));
    default:
      return _mm_shuffle_ps(value, value, _MM_SHUFFLE(3, 3, 3, 3));
  }
}

// The slopes of x and every attribute per unit of y along an edge, k being 1 / (its height)
// in every lane.
template <bool kTwoLayers>
inline Lanes edgeSlopes(const Lanes& from, const Lanes& to, __m128 k) {
  return times<kTwoLayers>(minus<kTwoLayers>(to, from), k);
}

// Three 16-byte stores into the record: building an edge field by field and then copying it
// whole would read back wider than it was written, which stalls the store forwarding.
static_assert(sizeof(TriangleEdge) == 48, "TriangleEdge is twelve words");
static_assert(sizeof(SpanSteps) == 20, "SpanSteps is five words");

// An edge walker starting at `start`, stepped down by py rows' worth of slope (py in every lane).
template <bool kTwoLayers>
[[gnu::always_inline]] inline void startEdge(const Lanes& start, const Lanes& slopes, __m128 py, TriangleEdge& edge) {
  const Lanes at = plusScaled<kTwoLayers>(start, py, slopes);
  const __m128 first = _mm_castsi128_ps(fixed(at.first));          // x, u, v, invDepth
  const __m128 firstStep = _mm_castsi128_ps(fixed(slopes.first));  // their steps
  const __m128 second = kTwoLayers ? _mm_castsi128_ps(fixed(at.second)) : _mm_setzero_ps();  // u2, v2
  const __m128 secondStep = kTwoLayers ? _mm_castsi128_ps(fixed(slopes.second)) : _mm_setzero_ps();
  // x, xStep, u, v | u2, v2, uStep, vStep | u2Step, v2Step, invDepth, invDepthStep
  const __m128 pairs = _mm_unpacklo_ps(first, firstStep);  // x, xStep, u, uStep
  const __m128 chunk0 = _mm_shuffle_ps(pairs, first, _MM_SHUFFLE(2, 1, 1, 0));
  const __m128 chunk1 = _mm_shuffle_ps(second, firstStep, _MM_SHUFFLE(2, 1, 1, 0));
  const __m128 chunk2 = _mm_shuffle_ps(secondStep, _mm_unpackhi_ps(first, firstStep), _MM_SHUFFLE(3, 2, 1, 0));
  float* const words = reinterpret_cast<float*>(&edge);
  _mm_storeu_ps(words, chunk0);
  _mm_storeu_ps(words + 4, chunk1);
  _mm_storeu_ps(words + 8, chunk2);
}

// One of two pointers by a mask of all ones or all zeros, without a branch (the compiler
// branches on a plain condition, and these conditions are as good as random).
template <typename T>
inline T* select(uintptr_t mask, T* ifSet, T* ifClear) {
  return reinterpret_cast<T*>((reinterpret_cast<uintptr_t>(ifSet) & mask) |
                              (reinterpret_cast<uintptr_t>(ifClear) & ~mask));
}

inline uintptr_t maskOf(bool condition) { return uintptr_t{0} - static_cast<uintptr_t>(condition); }

// The six orders of three corners, top, middle and bottom. For each: the order whose long edge
// is its upper short edge and the one whose long edge is its lower short edge (so one table of
// 1 / height per order serves all three edges), and, by a code of four row comparisons, the
// order placeAndOrder's exchanges give (ties included).
struct CornerOrders {
  int8_t top[6];
  int8_t mid[6];
  int8_t bot[6];
  int8_t upper[6];
  int8_t lower[6];
  int8_t ofCode[16];  // bits: row0 > row1, row1 > row0, row0 > row2, row1 > row2
};

constexpr CornerOrders makeCornerOrders() {
  CornerOrders orders{};
  const int8_t all[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  auto orderOf = [&](int top, int bot) {
    for (int8_t k = 0; k < 6; ++k) {
      if (all[k][0] == top && all[k][2] == bot) return k;
    }
    return int8_t{-1};
  };
  for (int k = 0; k < 6; ++k) {
    orders.top[k] = all[k][0];
    orders.mid[k] = all[k][1];
    orders.bot[k] = all[k][2];
    orders.upper[k] = orderOf(all[k][0], all[k][1]);
    orders.lower[k] = orderOf(all[k][1], all[k][2]);
  }
  for (int code = 0; code < 16; ++code) {
    auto below = [code](int i, int j) {  // row i > row j, for the pairs the exchanges compare
      if (i == 0 && j == 1) return (code & 1) != 0;
      if (i == 1 && j == 0) return (code & 2) != 0;
      if (i == 0 && j == 2) return (code & 4) != 0;
      return i == 1 && j == 2 && (code & 8) != 0;
    };
    int top = 0, mid = 1, bot = 2;
    if (below(top, mid)) std::swap(top, mid);
    if (below(top, bot)) std::swap(top, bot);
    if (below(mid, bot)) std::swap(mid, bot);
    for (int8_t k = 0; k < 6; ++k) {
      if (all[k][0] == top && all[k][1] == mid && all[k][2] == bot) orders.ofCode[code] = k;
    }
  }
  return orders;
}

inline constexpr CornerOrders kCornerOrders = makeCornerOrders();

// Corners 0, 1, 2 gathered from (c0, c1, c2, c2) for orders 0 to 3, or for 4, 5, 4, 5.
template <int kTopLanes, int kMidLanes, int kBotLanes>
struct OrderLanes {
  __m128 top, mid, bot;
  explicit OrderLanes(__m128 corners)
      : top(_mm_shuffle_ps(corners, corners, kTopLanes)),
        mid(_mm_shuffle_ps(corners, corners, kMidLanes)),
        bot(_mm_shuffle_ps(corners, corners, kBotLanes)) {}
};
using FirstOrders = OrderLanes<_MM_SHUFFLE(1, 1, 0, 0), _MM_SHUFFLE(2, 0, 2, 1), _MM_SHUFFLE(0, 2, 1, 2)>;
using LastOrders = OrderLanes<_MM_SHUFFLE(2, 2, 2, 2), _MM_SHUFFLE(1, 0, 1, 0), _MM_SHUFFLE(0, 1, 0, 1)>;

// What the setup needs of the corners' positions, for every order at once (orders 0 to 5,
// then 4 and 5 again).
struct OrderTable {
  alignas(16) float doubleArea[8];
  alignas(16) float perRow[8];  // 1 / height of the long edge
  alignas(16) float dy[8];      // middle y - top y
  alignas(16) float splitX[8];  // the long edge's x at the middle y
  alignas(16) float middleWidth[8];
  alignas(16) float perPixel[8];  // 1 / middleWidth

  template <typename Orders>
  [[gnu::always_inline]] void fill(__m128 x, __m128 y, int at) {
    const Orders xs(x);
    const Orders ys(y);
    const __m128 acrossLong = _mm_sub_ps(xs.bot, xs.top);
    const __m128 height = _mm_sub_ps(ys.bot, ys.top);
    const __m128 down = _mm_sub_ps(ys.mid, ys.top);
    _mm_store_ps(doubleArea + at,
                 _mm_sub_ps(_mm_mul_ps(acrossLong, down), _mm_mul_ps(height, _mm_sub_ps(xs.mid, xs.top))));
    const __m128 k = _mm_div_ps(_mm_set1_ps(1.0f), height);
    const __m128 split = _mm_add_ps(xs.top, _mm_mul_ps(down, _mm_mul_ps(acrossLong, k)));
    const __m128 width = _mm_sub_ps(xs.mid, split);
    _mm_store_ps(perRow + at, k);
    _mm_store_ps(dy + at, down);
    _mm_store_ps(splitX + at, split);
    _mm_store_ps(middleWidth + at, width);
    _mm_store_ps(perPixel + at, _mm_div_ps(_mm_set1_ps(1.0f), width));
  }
};

// Hands each part of the triangle (at most two) to sink(left, right, firstRow, rows, steps);
// a template, so that the span walk can be inlined into the setup.
//
// The chain from the corners to the steps across is long (two divisions one after the
// other), so it is taken for all six orders of the corners at once while the rows are found
// and compared; the order then picks its results from tables.
template <bool kTwoLayers, typename Sink>
inline void setupLanes(RenderVertex& a, RenderVertex& b, RenderVertex& c, const Sink& sink) {
  // Pixel positions of all three corners at once: (x, y) pairs are next to each other both
  // as screen floats and as pixel words.
  static_assert(offsetof(RenderVertex, screenY) == offsetof(RenderVertex, screenX) + 4);
  static_assert(offsetof(RenderVertex, pixelY) == offsetof(RenderVertex, pixelX) + 4);
  // The pairs are only 4-byte aligned: 64-bit moves through the unaligned integer forms.
  auto pairAt = [](const float* first) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)); };
  const __m128 abScreen = _mm_castsi128_ps(_mm_unpacklo_epi64(pairAt(&a.screenX), pairAt(&b.screenX)));
  const __m128 cScreen = _mm_castsi128_ps(pairAt(&c.screenX));
  const __m128i abPixels = pixelsOf(abScreen);
  const __m128i cPixels = pixelsOf(cScreen);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&a.pixelX), abPixels);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&b.pixelX), _mm_unpackhi_epi64(abPixels, abPixels));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&c.pixelX), cPixels);

  // The order, from the rows.
  const __m128i rows = _mm_castps_si128(
      _mm_shuffle_ps(_mm_castsi128_ps(abPixels), _mm_castsi128_ps(cPixels), _MM_SHUFFLE(1, 1, 3, 1)));
  const __m128i below = _mm_cmpgt_epi32(_mm_shuffle_epi32(rows, _MM_SHUFFLE(1, 0, 1, 0)),
                                        _mm_shuffle_epi32(rows, _MM_SHUFFLE(2, 2, 0, 1)));
  const int order = kCornerOrders.ofCode[_mm_movemask_ps(_mm_castsi128_ps(below))];
  alignas(16) int32_t rowOf[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(rowOf), rows);

  // Every order's positions.
  const __m128 x = _mm_shuffle_ps(abScreen, cScreen, _MM_SHUFFLE(0, 0, 2, 0));
  const __m128 y = _mm_shuffle_ps(abScreen, cScreen, _MM_SHUFFLE(1, 1, 3, 1));
  OrderTable table;
  table.fill<FirstOrders>(x, y, 0);
  table.fill<LastOrders>(x, y, 4);
  alignas(16) float xOf[4];
  alignas(16) float yOf[4];
  _mm_store_ps(xOf, x);
  _mm_store_ps(yOf, y);

  // Each corner's lanes, the three inverse depths in one division.
  alignas(16) float invDepth[4];
  _mm_store_ps(invDepth, _mm_div_ps(_mm_set1_ps(kDepthNumerator), _mm_setr_ps(a.depth, b.depth, c.depth, 1.0f)));
  Lanes corners[3];
  const RenderVertex* const vertices[3] = {&a, &b, &c};
  for (int k = 0; k < 3; ++k) {
    const RenderVertex& vertex = *vertices[k];
    corners[k].first = _mm_setr_ps(vertex.screenX, vertex.u, vertex.v, invDepth[k]);
    if constexpr (kTwoLayers) corners[k].second = _mm_setr_ps(vertex.u2, vertex.v2, 0.0f, 0.0f);
  }

  const int topIndex = kCornerOrders.top[order];
  const int midIndex = kCornerOrders.mid[order];
  const int botIndex = kCornerOrders.bot[order];
  const int32_t topRow = rowOf[topIndex];
  const int32_t midRow = rowOf[midIndex];
  const int32_t botRow = rowOf[botIndex];
  if (static_cast<double>(std::fabs(table.doubleArea[order])) < kMinDoubleArea) return;
  if (botRow == topRow) return;
  if (static_cast<double>(std::fabs(table.middleWidth[order])) < kMinMiddleWidth) return;

  const Lanes& t = corners[topIndex];
  const Lanes& m = corners[midIndex];
  const Lanes& e = corners[botIndex];
  const Lanes longSlopes = edgeSlopes<kTwoLayers>(t, e, _mm_load1_ps(&table.perRow[order]));
  // The long edge at the middle vertex's height.
  const Lanes split = plusScaled<kTwoLayers>(t, _mm_load1_ps(&table.dy[order]), longSlopes);

  const Lanes across = times<kTwoLayers>(minus<kTwoLayers>(m, split), _mm_load1_ps(&table.perPixel[order]));
  const __m128 first = _mm_castsi128_ps(fixed(across.first));  // -, du, dv, dInvDepth
  const __m128 second = kTwoLayers ? _mm_castsi128_ps(fixed(across.second)) : _mm_setzero_ps();  // du2, dv2
  SpanSteps steps;
  float* const stepWords = reinterpret_cast<float*>(&steps);  // du, dv, du2, dv2, dInvDepth
  _mm_storeu_ps(stepWords, _mm_shuffle_ps(first, second, _MM_SHUFFLE(1, 0, 2, 1)));
  _mm_store_ss(stepWords + 4, broadcast(first, 3));

  // The long edge and the short one of a part, and which of them is the left edge.
  TriangleEdge longEdge;
  TriangleEdge shortEdge;
  const uintptr_t longIsLeft = maskOf(table.splitX[order] <= xOf[midIndex]);
  const TriangleEdge& left = *select(longIsLeft, &longEdge, &shortEdge);
  const TriangleEdge& right = *select(longIsLeft, &shortEdge, &longEdge);

  if (midRow > topRow) {
    const __m128 py = _mm_set1_ps(static_cast<float>(topRow) - yOf[topIndex]);
    startEdge<kTwoLayers>(t, longSlopes, py, longEdge);
    const __m128 perRow = _mm_load1_ps(&table.perRow[kCornerOrders.upper[order]]);
    startEdge<kTwoLayers>(t, edgeSlopes<kTwoLayers>(t, m, perRow), py, shortEdge);
    sink(left, right, topRow, midRow - topRow, steps);
  }

  if (botRow > midRow) {
    const __m128 py = _mm_set1_ps(static_cast<float>(midRow) - yOf[midIndex]);
    // The long edge restarts from the split point rather than continuing.
    startEdge<kTwoLayers>(split, longSlopes, py, longEdge);
    const __m128 perRow = _mm_load1_ps(&table.perRow[kCornerOrders.lower[order]]);
    startEdge<kTwoLayers>(m, edgeSlopes<kTwoLayers>(m, e, perRow), py, shortEdge);
    sink(left, right, midRow, botRow - midRow, steps);
  }
}

}  // namespace orvanta::kernels::lanes
#endif  // ORVANTA_X86_VECTORS
namespace orvanta::kernels {

// Hands each part of the triangle (at most two) to sink(left, right, firstRow, rows, steps).
template <bool kTwoLayers, typename Sink>
inline void setupParts(RenderVertex& a, RenderVertex& b, RenderVertex& c, const Sink& sink) {
#if ORVANTA_X86_VECTORS
  lanes::setupLanes<kTwoLayers>(a, b, c, sink);
#else
  auto forward = [](void* context, const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow, int32_t rows,
                    const SpanSteps& steps) { (*static_cast<const Sink*>(context))(left, right, firstRow, rows, steps); };
  setupTriangleReference(a, b, c, kTwoLayers, forward, const_cast<Sink*>(&sink));
#endif
}

}  // namespace orvanta::kernels
