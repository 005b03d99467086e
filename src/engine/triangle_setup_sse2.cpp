#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/triangle_setup_kernels.h"

// A vertex's position and attributes sit in the lanes of SSE registers: (x, u, v, invDepth)
// and, for two layers, (u2, v2, -, -). Every lane takes the operations of its own formula in
// the same order, and single-precision lanes round exactly like scalar floats (nothing is
// fused), so the edges and steps equal those of the plain setup.

namespace orvanta::kernels {
namespace {

struct Lanes {
  __m128 first;   // x, u, v, invDepth
  __m128 second;  // u2, v2, 0, 0
};

template <bool kTwoLayers>
Lanes lanesOf(const RenderVertex& vertex) {
  Lanes lanes;
  lanes.first = _mm_setr_ps(vertex.screenX, vertex.u, vertex.v, kDepthNumerator / vertex.depth);
  lanes.second = kTwoLayers ? _mm_setr_ps(vertex.u2, vertex.v2, 0.0f, 0.0f) : _mm_setzero_ps();
  return lanes;
}

template <bool kTwoLayers>
Lanes minus(const Lanes& a, const Lanes& b) {
  return {_mm_sub_ps(a.first, b.first), kTwoLayers ? _mm_sub_ps(a.second, b.second) : _mm_setzero_ps()};
}

template <bool kTwoLayers>
Lanes times(const Lanes& a, float k) {
  const __m128 f = _mm_set1_ps(k);
  return {_mm_mul_ps(a.first, f), kTwoLayers ? _mm_mul_ps(a.second, f) : _mm_setzero_ps()};
}

// a + k * b, the product first.
template <bool kTwoLayers>
Lanes plusScaled(const Lanes& a, float k, const Lanes& b) {
  const __m128 f = _mm_set1_ps(k);
  return {_mm_add_ps(a.first, _mm_mul_ps(f, b.first)),
          kTwoLayers ? _mm_add_ps(a.second, _mm_mul_ps(f, b.second)) : _mm_setzero_ps()};
}

// toFixed in every lane: inside (-32768, 32768) the exact product truncated, otherwise
// (NaN included, as both comparisons fail) kFixedOverflow.
__m128i fixed(__m128 value) {
  const __m128 inside = _mm_and_ps(_mm_cmpgt_ps(value, _mm_set1_ps(-32768.0f)), _mm_cmplt_ps(value, _mm_set1_ps(32768.0f)));
  const __m128i truncated = _mm_cvttps_epi32(_mm_mul_ps(value, _mm_set1_ps(65536.0f)));
  const __m128i keep = _mm_castps_si128(inside);
  return _mm_or_si128(_mm_and_si128(keep, truncated), _mm_andnot_si128(keep, _mm_set1_epi32(kFixedOverflow)));
}

float laneX(const Lanes& lanes) { return _mm_cvtss_f32(lanes.first); }

// The slopes of x and every attribute per unit of y along an edge.
template <bool kTwoLayers>
Lanes edgeSlopes(const Lanes& from, float fromY, const Lanes& to, float toY) {
  const float k = 1.0f / (toY - fromY);
  return times<kTwoLayers>(minus<kTwoLayers>(to, from), k);
}

// An edge walker starting at `start`, stepped down by py rows' worth of slope.
template <bool kTwoLayers>
TriangleEdge startEdge(const Lanes& start, const Lanes& slopes, float py) {
  alignas(16) int32_t first[4];
  alignas(16) int32_t firstStep[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(first), fixed(plusScaled<kTwoLayers>(start, py, slopes).first));
  _mm_store_si128(reinterpret_cast<__m128i*>(firstStep), fixed(slopes.first));
  TriangleEdge edge;
  edge.x = first[0];
  edge.u = first[1];
  edge.v = first[2];
  edge.invDepth = first[3];
  edge.xStep = firstStep[0];
  edge.uStep = firstStep[1];
  edge.vStep = firstStep[2];
  edge.invDepthStep = firstStep[3];
  if constexpr (kTwoLayers) {
    alignas(16) int32_t second[4];
    alignas(16) int32_t secondStep[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(second), fixed(plusScaled<kTwoLayers>(start, py, slopes).second));
    _mm_store_si128(reinterpret_cast<__m128i*>(secondStep), fixed(slopes.second));
    edge.u2 = second[0];
    edge.v2 = second[1];
    edge.u2Step = secondStep[0];
    edge.v2Step = secondStep[1];
  }
  return edge;
}

template <bool kTwoLayers>
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

  const float tx = top->screenX, ty = top->screenY;
  const float mx = mid->screenX, my = mid->screenY;
  const float ex = bot->screenX, ey = bot->screenY;
  const float doubleArea = (ex - tx) * (my - ty) - (ey - ty) * (mx - tx);
  if (static_cast<double>(std::fabs(doubleArea)) < kMinDoubleArea) return;
  if (botRow == topRow) return;

  const Lanes t = lanesOf<kTwoLayers>(*top);
  const Lanes m = lanesOf<kTwoLayers>(*mid);
  const Lanes e = lanesOf<kTwoLayers>(*bot);
  const int32_t upperRows = midRow - topRow;
  const int32_t lowerRows = botRow - midRow;

  const Lanes longSlopes = edgeSlopes<kTwoLayers>(t, ty, e, ey);

  TriangleEdge upperLong;
  TriangleEdge upperShort;
  if (upperRows >= 1) {
    const Lanes shortSlopes = edgeSlopes<kTwoLayers>(t, ty, m, my);
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
  alignas(16) int32_t first[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(first), fixed(across.first));
  SpanSteps steps;
  steps.du = first[1];
  steps.dv = first[2];
  steps.dInvDepth = first[3];
  if constexpr (kTwoLayers) {
    alignas(16) int32_t second[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(second), fixed(across.second));
    steps.du2 = second[0];
    steps.dv2 = second[1];
  }

  const bool longIsLeft = splitX <= mx;

  if (upperRows >= 1) {
    if (longIsLeft) {
      sink(context, upperLong, upperShort, topRow, upperRows, steps);
    } else {
      sink(context, upperShort, upperLong, topRow, upperRows, steps);
    }
  }

  if (lowerRows >= 1) {
    const float py2 = static_cast<float>(midRow) - my;
    // The long edge restarts from the split point rather than continuing.
    const TriangleEdge lowerLong = startEdge<kTwoLayers>(split, longSlopes, py2);
    const TriangleEdge lowerShort = startEdge<kTwoLayers>(m, edgeSlopes<kTwoLayers>(m, my, e, ey), py2);
    if (longIsLeft) {
      sink(context, lowerLong, lowerShort, midRow, lowerRows, steps);
    } else {
      sink(context, lowerShort, lowerLong, midRow, lowerRows, steps);
    }
  }
}

}  // namespace

void setupTriangleSse2(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink,
                       void* context) {
  if (twoLayers) {
    setupParts<true>(a, b, c, sink, context);
  } else {
    setupParts<false>(a, b, c, sink, context);
  }
}

}  // namespace orvanta::kernels
