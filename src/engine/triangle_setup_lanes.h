#pragma once
// The triangle setup with a vertex's position and every attribute in the lanes of SSE
// registers: (x, u, v, invDepth) and, for two layers, (u2, v2, -, -). Every lane takes the
// operations of its own formula in the same order, and single-precision lanes round exactly
// like scalar floats (nothing is fused), so the edges and steps equal those of the plain
// setup. setupParts takes the Sse2 setup where the build has it, the Reference one elsewhere.

#include <cmath>
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
inline Lanes lanesOf(const RenderVertex& vertex, float invDepth) {
  Lanes lanes;
  lanes.first = _mm_setr_ps(vertex.screenX, vertex.u, vertex.v, invDepth);
  lanes.second = kTwoLayers ? _mm_setr_ps(vertex.u2, vertex.v2, 0.0f, 0.0f) : _mm_setzero_ps();
  return lanes;
}

template <bool kTwoLayers>
inline Lanes minus(const Lanes& a, const Lanes& b) {
  return {_mm_sub_ps(a.first, b.first), kTwoLayers ? _mm_sub_ps(a.second, b.second) : _mm_setzero_ps()};
}

template <bool kTwoLayers>
inline Lanes times(const Lanes& a, float k) {
  const __m128 f = _mm_set1_ps(k);
  return {_mm_mul_ps(a.first, f), kTwoLayers ? _mm_mul_ps(a.second, f) : _mm_setzero_ps()};
}

// a + k * b, the product first.
template <bool kTwoLayers>
inline Lanes plusScaled(const Lanes& a, float k, const Lanes& b) {
  const __m128 f = _mm_set1_ps(k);
  return {_mm_add_ps(a.first, _mm_mul_ps(f, b.first)),
          kTwoLayers ? _mm_add_ps(a.second, _mm_mul_ps(f, b.second)) : _mm_setzero_ps()};
}

// toFixed in every lane: inside (-32768, 32768) the exact product truncated, otherwise
// (NaN included, as both comparisons fail) kFixedOverflow.
inline __m128i fixed(__m128 value) {
  const __m128 inside =
      _mm_and_ps(_mm_cmpgt_ps(value, _mm_set1_ps(-32768.0f)), _mm_cmplt_ps(value, _mm_set1_ps(32768.0f)));
  const __m128i truncated = _mm_cvttps_epi32(_mm_mul_ps(value, _mm_set1_ps(65536.0f)));
  const __m128i keep = _mm_castps_si128(inside);
  return _mm_or_si128(_mm_and_si128(keep, truncated), _mm_andnot_si128(keep, _mm_set1_epi32(kFixedOverflow)));
}

inline float laneX(const Lanes& lanes) { return _mm_cvtss_f32(lanes.first); }

// The slopes of x and every attribute per unit of y along an edge, k being 1 / (its height).
template <bool kTwoLayers>
inline Lanes edgeSlopes(const Lanes& from, const Lanes& to, float k) {
  return times<kTwoLayers>(minus<kTwoLayers>(to, from), k);
}

// Four divisions in one: each lane rounds as its own division would.
inline void divideLanes(float numerator, __m128 denominators, float (&quotients)[4]) {
  _mm_storeu_ps(quotients, _mm_div_ps(_mm_set1_ps(numerator), denominators));
}

// Three 16-byte stores into the record: building an edge field by field and then copying it
// whole would read back wider than it was written, which stalls the store forwarding.
static_assert(sizeof(TriangleEdge) == 48, "TriangleEdge is twelve words");
static_assert(sizeof(SpanSteps) == 20, "SpanSteps is five words");

// An edge walker starting at `start`, stepped down by py rows' worth of slope.
template <bool kTwoLayers>
inline TriangleEdge startEdge(const Lanes& start, const Lanes& slopes, float py) {
  const Lanes at = plusScaled<kTwoLayers>(start, py, slopes);
  const __m128 first = _mm_castsi128_ps(fixed(at.first));       // x, u, v, invDepth
  const __m128 firstStep = _mm_castsi128_ps(fixed(slopes.first));  // their steps
  const __m128 second = kTwoLayers ? _mm_castsi128_ps(fixed(at.second)) : _mm_setzero_ps();  // u2, v2
  const __m128 secondStep = kTwoLayers ? _mm_castsi128_ps(fixed(slopes.second)) : _mm_setzero_ps();
  // x, xStep, u, v | u2, v2, uStep, vStep | u2Step, v2Step, invDepth, invDepthStep
  const __m128 pairs = _mm_unpacklo_ps(first, firstStep);  // x, xStep, u, uStep
  const __m128 chunk0 = _mm_shuffle_ps(pairs, first, _MM_SHUFFLE(2, 1, 1, 0));
  const __m128 chunk1 = _mm_shuffle_ps(second, firstStep, _MM_SHUFFLE(2, 1, 1, 0));
  const __m128 chunk2 = _mm_shuffle_ps(secondStep, _mm_unpackhi_ps(first, firstStep), _MM_SHUFFLE(3, 2, 1, 0));
  TriangleEdge edge;
  float* const words = reinterpret_cast<float*>(&edge);
  _mm_storeu_ps(words, chunk0);
  _mm_storeu_ps(words + 4, chunk1);
  _mm_storeu_ps(words + 8, chunk2);
  return edge;
}

// Hands each part of the triangle (at most two) to sink(left, right, firstRow, rows, steps);
// a template, so that the span walk can be inlined into the setup.
template <bool kTwoLayers, typename Sink>
inline void setupLanes(RenderVertex& a, RenderVertex& b, RenderVertex& c, const Sink& sink) {
  const auto [top, mid, bot] = placeAndOrder(a, b, c);
  const int32_t topRow = top->pixelY;
  const int32_t midRow = mid->pixelY;
  const int32_t botRow = bot->pixelY;

  const float tx = top->screenX, ty = top->screenY;
  const float mx = mid->screenX, my = mid->screenY;
  const float ex = bot->screenX, ey = bot->screenY;
  const float doubleArea = (ex - tx) * (my - ty) - (ey - ty) * (mx - tx);
  if (static_cast<double>(std::fabs(doubleArea)) < kMinDoubleArea) return;
  if (botRow == topRow) return;

  float invDepth[4];
  divideLanes(kDepthNumerator, _mm_setr_ps(top->depth, mid->depth, bot->depth, 1.0f), invDepth);
  const Lanes t = lanesOf<kTwoLayers>(*top, invDepth[0]);
  const Lanes m = lanesOf<kTwoLayers>(*mid, invDepth[1]);
  const Lanes e = lanesOf<kTwoLayers>(*bot, invDepth[2]);
  const int32_t upperRows = midRow - topRow;
  const int32_t lowerRows = botRow - midRow;

  // 1 / height of the long edge, the upper short one and the lower short one (a short edge
  // without rows may divide by zero; its lane is not used).
  float perRow[4];
  divideLanes(1.0f, _mm_setr_ps(ey - ty, my - ty, ey - my, 1.0f), perRow);
  const Lanes longSlopes = edgeSlopes<kTwoLayers>(t, e, perRow[0]);

  TriangleEdge upperLong;
  TriangleEdge upperShort;
  if (upperRows >= 1) {
    const Lanes shortSlopes = edgeSlopes<kTwoLayers>(t, m, perRow[1]);
    const float py = static_cast<float>(topRow) - ty;
    upperLong = startEdge<kTwoLayers>(t, longSlopes, py);
    upperShort = startEdge<kTwoLayers>(t, shortSlopes, py);
  }

  // The long edge at the middle vertex's height.
  const Lanes split = plusScaled<kTwoLayers>(t, my - ty, longSlopes);
  const float splitX = laneX(split);
  const float middleWidth = mx - splitX;
  if (static_cast<double>(std::fabs(middleWidth)) < kMinMiddleWidth) return;

  const Lanes across = times<kTwoLayers>(minus<kTwoLayers>(m, split), 1.0f / middleWidth);
  const __m128 first = _mm_castsi128_ps(fixed(across.first));  // -, du, dv, dInvDepth
  const __m128 second = kTwoLayers ? _mm_castsi128_ps(fixed(across.second)) : _mm_setzero_ps();  // du2, dv2
  SpanSteps steps;
  float* const stepWords = reinterpret_cast<float*>(&steps);  // du, dv, du2, dv2, dInvDepth
  _mm_storeu_ps(stepWords, _mm_shuffle_ps(first, second, _MM_SHUFFLE(1, 0, 2, 1)));
  _mm_store_ss(stepWords + 4, _mm_shuffle_ps(first, first, _MM_SHUFFLE(3, 3, 3, 3)));

  const bool longIsLeft = splitX <= mx;

  if (upperRows >= 1) {
    if (longIsLeft) {
      sink(upperLong, upperShort, topRow, upperRows, steps);
    } else {
      sink(upperShort, upperLong, topRow, upperRows, steps);
    }
  }

  if (lowerRows >= 1) {
    const float py2 = static_cast<float>(midRow) - my;
    // The long edge restarts from the split point rather than continuing.
    const TriangleEdge lowerLong = startEdge<kTwoLayers>(split, longSlopes, py2);
    const TriangleEdge lowerShort = startEdge<kTwoLayers>(m, edgeSlopes<kTwoLayers>(m, e, perRow[2]), py2);
    if (longIsLeft) {
      sink(lowerLong, lowerShort, midRow, lowerRows, steps);
    } else {
      sink(lowerShort, lowerLong, midRow, lowerRows, steps);
    }
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
