#pragma once
// The span walk of the Avx2 versions: two rows at a time, row r in the low four lanes of
// 256-bit registers and row r + 1 in the high four, so that one pass of the group loop and one
// set of gathers serve two rows. Rows never share pixels, so drawing them side by side changes
// no pixel. Each row's words are read and written through masks: nothing past a row's end, or
// outside the arrays, is touched (the last row needs no other path).
//
// A shader gives eight new pixels at once: shader.eight(old, lanes, u, v, u2, v2), reading
// texels only for the lanes set in `lanes`; `old` is read only when Shader::kReadsOld.

#include <cstdint>

#include "base/cpu_features.h"
#include "engine/raster.h"
#include "engine/render_target.h"
#include "engine/span_walk.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::span {

// The texel indices of eight (u, v) pairs.
ORVANTA_TARGET_AVX2 inline __m256i texelIndex8(const TexelAddress& address, __m256i u, __m256i v) {
  const __m256i row = _mm256_and_si256(_mm256_srl_epi32(v, _mm_cvtsi32_si128(address.rowShift)),
                                       _mm256_set1_epi32(static_cast<int>(address.rowMask)));
  const __m256i column = _mm256_and_si256(_mm256_srli_epi32(u, 16), _mm256_set1_epi32(static_cast<int>(address.mask)));
  return _mm256_add_epi32(row, column);
}

// (0, d, 2d, 3d) in both halves.
ORVANTA_TARGET_AVX2 inline __m256i groupOffsets(int32_t step) {
  const uint32_t d = static_cast<uint32_t>(step);
  const __m128i four = _mm_setr_epi32(0, static_cast<int>(d), static_cast<int>(2u * d), static_cast<int>(3u * d));
  return _mm256_broadcastsi128_si256(four);
}

ORVANTA_TARGET_AVX2 inline __m256i fourSteps(int32_t step) {
  return _mm256_set1_epi32(static_cast<int>(4u * static_cast<uint32_t>(step)));
}

// A register from its low and high halves.
ORVANTA_TARGET_AVX2 inline __m256i halves(__m128i low, __m128i high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// Two rows' pixels from their first words on, each half through its half of `mask`.
ORVANTA_TARGET_AVX2 inline __m256i loadPair(const void* first, const void* second, __m256i mask) {
  return halves(_mm_maskload_epi32(static_cast<const int*>(first), _mm256_castsi256_si128(mask)),
                _mm_maskload_epi32(static_cast<const int*>(second), _mm256_extracti128_si256(mask, 1)));
}

ORVANTA_TARGET_AVX2 inline void storePair(void* first, void* second, __m256i mask, __m256i value) {
  _mm_maskstore_epi32(static_cast<int*>(first), _mm256_castsi256_si128(mask), _mm256_castsi256_si128(value));
  _mm_maskstore_epi32(static_cast<int*>(second), _mm256_extracti128_si256(mask, 1),
                      _mm256_extracti128_si256(value, 1));
}

// Per-pixel attributes of a group of four in each row of a pair.
struct PairLanes {
  __m256i u, v, u2, v2, z;
};

// Draws a pair of rows: count0 pixels (none when not positive) from pixel0 and depth0 on, and
// count1 from pixel1 and depth1.
// Group k of each row covers its pixels 4k to 4k + 3, tested, shaded and stored together.
template <bool kTwoLayers, bool kWriteDepth, typename Shader>
ORVANTA_TARGET_AVX2 inline void drawPair(uint32_t* pixel0, int32_t* depth0, int32_t count0, uint32_t* pixel1,
                                         int32_t* depth1, int32_t count1, PairLanes at, const PairLanes& step,
                                         const Shader& shader) {
  const __m256i laneIndex = _mm256_setr_epi32(0, 1, 2, 3, 0, 1, 2, 3);
  __m256i left = halves(_mm_set1_epi32(count0), _mm_set1_epi32(count1));
  int32_t most = count0 > count1 ? count0 : count1;
  for (;;) {
    const __m256i inRow = _mm256_cmpgt_epi32(left, laneIndex);
    const __m256i stored = loadPair(depth0, depth1, inRow);
    const __m256i pass = _mm256_and_si256(_mm256_cmpgt_epi32(at.z, stored), inRow);
    const __m256i old = Shader::kReadsOld ? loadPair(pixel0, pixel1, inRow) : _mm256_setzero_si256();
    storePair(pixel0, pixel1, pass, shader.eight(old, inRow, at.u, at.v, at.u2, at.v2));
    if constexpr (kWriteDepth) storePair(depth0, depth1, pass, at.z);
    most -= 4;
    if (most <= 0) return;
    pixel0 += 4;
    depth0 += 4;
    pixel1 += 4;
    depth1 += 4;
    left = _mm256_sub_epi32(left, _mm256_set1_epi32(4));
    at.u = _mm256_add_epi32(at.u, step.u);
    at.v = _mm256_add_epi32(at.v, step.v);
    if constexpr (kTwoLayers) {
      at.u2 = _mm256_add_epi32(at.u2, step.u2);
      at.v2 = _mm256_add_epi32(at.v2, step.v2);
    }
    at.z = _mm256_add_epi32(at.z, step.z);
  }
}

// walkSpans (span_walk.h) two rows at a time, with the same pixels and depths as its result.
template <bool kTwoLayers, bool kWriteDepth, typename Shader>
ORVANTA_TARGET_AVX2 inline void walkSpanPairs(const RenderTarget& target, const TriangleEdge& leftEdge,
                                              const TriangleEdge& rightEdge, int32_t firstRow, int32_t rows,
                                              const SpanSteps& stepsIn, const Shader& shaderIn) {
  // Local copies: the pixel and depth stores could otherwise alias them, forcing reloads.
  const SpanSteps steps = stepsIn;
  const Shader shader = shaderIn;
  auto [pixels, depths, width, height, edge, rightX, rightXStep, row, endRow] =
      walkArea(target, leftEdge, rightEdge, firstRow, rows);
  if (row >= endRow) return;

  // The left edge at rows r and r + 1: x, (u, v, u2, v2) in each half of `at`, and z in the
  // two low lanes of `z`; each steps two rows at a time.
  uint32_t leftX = static_cast<uint32_t>(edge.x);
  const uint32_t leftXStep = static_cast<uint32_t>(edge.xStep);
  const __m128i edgeFour = _mm_setr_epi32(edge.u, edge.v, edge.u2, edge.v2);
  const __m128i edgeStepFour = _mm_setr_epi32(edge.uStep, edge.vStep, edge.u2Step, edge.v2Step);
  __m256i at = halves(edgeFour, _mm_add_epi32(edgeFour, edgeStepFour));
  const __m256i atStep = _mm256_broadcastsi128_si256(_mm_add_epi32(edgeStepFour, edgeStepFour));
  __m128i z = _mm_setr_epi32(edge.invDepth, static_cast<int>(static_cast<uint32_t>(edge.invDepth) +
                                                             static_cast<uint32_t>(edge.invDepthStep)), 0, 0);
  const __m128i zStep = _mm_set1_epi32(static_cast<int>(2u * static_cast<uint32_t>(edge.invDepthStep)));
  // The sub-pixel presteps' factors, and the steps across the columns left of the target.
  const __m256i factors = _mm256_setr_epi32(steps.du >> 4, steps.dv >> 4, steps.du2 >> 4, steps.dv2 >> 4,
                                            steps.du >> 4, steps.dv >> 4, steps.du2 >> 4, steps.dv2 >> 4);
  const __m256i along =
      _mm256_setr_epi32(steps.du, steps.dv, steps.du2, steps.dv2, steps.du, steps.dv, steps.du2, steps.dv2);
  const __m128i zAlong = _mm_set1_epi32(steps.dInvDepth);

  const PairLanes offsets{groupOffsets(steps.du), groupOffsets(steps.dv), groupOffsets(steps.du2),
                          groupOffsets(steps.dv2), groupOffsets(steps.dInvDepth)};
  const PairLanes groupStep{fourSteps(steps.du), fourSteps(steps.dv), fourSteps(steps.du2), fourSteps(steps.dv2),
                            fourSteps(steps.dInvDepth)};

  for (; row < endRow; row += 2) {
    const uint32_t x0 = leftX;
    const uint32_t x1 = leftX + leftXStep;
    const int32_t xs0 = fixedCeil(static_cast<int32_t>(x0));
    const int32_t xs1 = fixedCeil(static_cast<int32_t>(x1));
    int32_t xe0 = fixedCeil(static_cast<int32_t>(rightX));
    int32_t xe1 = fixedCeil(static_cast<int32_t>(rightX + rightXStep));
    if (xe0 > width) xe0 = width;
    if (xe1 > width) xe1 = width;
    if (row + 1 >= endRow) xe1 = INT32_MIN;  // no second row
    // Columns left of the target are stepped over, not drawn.
    const int32_t from0 = xs0 > 0 ? xs0 : 0;
    const int32_t from1 = xs1 > 0 ? xs1 : 0;
    const int32_t count0 = xe0 > from0 ? xe0 - from0 : 0;
    const int32_t count1 = xe1 > from1 ? xe1 - from1 : 0;
    if ((count0 | count1) != 0) {
      const __m256i p = halves(_mm_set1_epi32(static_cast<int>((0xFFFFu - (x0 & 0xFFFFu)) >> 8)),
                               _mm_set1_epi32(static_cast<int>((0xFFFFu - (x1 & 0xFFFFu)) >> 8)));
      __m256i start = _mm256_add_epi32(at, _mm256_srai_epi32(_mm256_mullo_epi32(factors, p), 4));
      __m128i startZ = z;
      if ((xs0 | xs1) < 0) {
        const int32_t skip0 = from0 - xs0;
        const int32_t skip1 = from1 - xs1;
        start = _mm256_add_epi32(start,
                                 _mm256_mullo_epi32(along, halves(_mm_set1_epi32(skip0), _mm_set1_epi32(skip1))));
        startZ = _mm_add_epi32(startZ, _mm_mullo_epi32(zAlong, _mm_setr_epi32(skip0, skip1, 0, 0)));
      }
      // Each row's start in all lanes of its half, plus the group's offsets.
      PairLanes lanes;
      lanes.u = _mm256_add_epi32(_mm256_permutevar8x32_epi32(start, _mm256_setr_epi32(0, 0, 0, 0, 4, 4, 4, 4)),
                                 offsets.u);
      lanes.v = _mm256_add_epi32(_mm256_permutevar8x32_epi32(start, _mm256_setr_epi32(1, 1, 1, 1, 5, 5, 5, 5)),
                                 offsets.v);
      lanes.u2 = _mm256_setzero_si256();
      lanes.v2 = _mm256_setzero_si256();
      if constexpr (kTwoLayers) {
        lanes.u2 = _mm256_add_epi32(_mm256_permutevar8x32_epi32(start, _mm256_setr_epi32(2, 2, 2, 2, 6, 6, 6, 6)),
                                    offsets.u2);
        lanes.v2 = _mm256_add_epi32(_mm256_permutevar8x32_epi32(start, _mm256_setr_epi32(3, 3, 3, 3, 7, 7, 7, 7)),
                                    offsets.v2);
      }
      lanes.z = _mm256_add_epi32(_mm256_permutevar8x32_epi32(_mm256_castsi128_si256(startZ),
                                                             _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1)),
                                 offsets.z);
      // An empty row's masks are all clear: its words are never read or written.
      const int64_t word0 = count0 > 0 ? row * width + from0 : 0;
      const int64_t word1 = count1 > 0 ? (row + 1) * width + from1 : 0;
      drawPair<kTwoLayers, kWriteDepth>(pixels + word0, depths + word0, count0, pixels + word1, depths + word1,
                                        count1, lanes, groupStep, shader);
    }
    leftX += 2u * leftXStep;
    rightX += 2u * rightXStep;
    at = _mm256_add_epi32(at, atStep);
    z = _mm_add_epi32(z, zStep);
  }
}

}  // namespace orvanta::span
#endif
