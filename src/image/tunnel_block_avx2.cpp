#include "image/tunnel_block.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

#include "image/height_slopes.h"
#include "image/lane_loads_avx2.h"

namespace orvanta {
namespace {

// Lane j holds left + j x (an eighth of right - left), wrapping like the scalar steps.
ORVANTA_TARGET_AVX2 inline __m256i spreadAvx2(int32_t left, int32_t right) {
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i step = _mm256_set1_epi32(tunnelPixelStep(left, right));
  return _mm256_add_epi32(_mm256_set1_epi32(left), _mm256_mullo_epi32(step, lane));
}

ORVANTA_TARGET_AVX2 inline __m256i loadAvx2(const uint32_t* words) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(words));
}

ORVANTA_TARGET_AVX2 inline void storeAvx2(uint32_t* words, __m256i value) {
  _mm256_store_si256(reinterpret_cast<__m256i*>(words), value);
}

// Without the slopes: a row of 8 pixels per register, the three height texels, the base and
// environment texels single loads between the vector steps.
ORVANTA_TARGET_AVX2 void drawRowsFromTexels(const TunnelTextures& textures, const TunnelColumnEdge& leftEdge,
                                            const TunnelColumnEdge& rightEdge, uint32_t* out, ptrdiff_t stride) {
  const __m256i byteMask = _mm256_set1_epi32(0xFF);
  const __m256i rowMask = _mm256_set1_epi32(0xFF00);
  // 16-bit lanes per pixel: blue, green and red take the shade, alpha is multiplied by 256.
  const __m256i colourLanes = _mm256_set1_epi64x(0x0000FFFFFFFFFFFFLL);
  const __m256i alphaLanes = _mm256_set1_epi64x(0x0100000000000000LL);
  const __m256i zero = _mm256_setzero_si256();

  alignas(32) uint32_t index[kTunnelBlockSize];
  alignas(32) uint32_t baseTexel[kTunnelBlockSize];
  alignas(32) uint32_t slope[kTunnelBlockSize];
  alignas(32) uint32_t envIndex[kTunnelBlockSize];
  alignas(32) uint32_t envTexel[kTunnelBlockSize];

  TunnelFixed left = leftEdge.start;
  TunnelFixed right = rightEdge.start;
  for (int32_t row = 0; row < kTunnelBlockSize; ++row) {
    const __m256i u = spreadAvx2(left.u, right.u);
    const __m256i v = spreadAvx2(left.v, right.v);
    const __m256i u2 = spreadAvx2(left.u2, right.u2);
    const __m256i v2 = spreadAvx2(left.v2, right.v2);
    const __m256i s = spreadAvx2(left.s, right.s);

    const __m256i texelIndex = _mm256_or_si256(_mm256_and_si256(_mm256_srai_epi32(v, 8), rowMask),
                                               _mm256_and_si256(_mm256_srli_epi32(u, 16), byteMask));
    storeAvx2(index, texelIndex);
    for (int32_t x = 0; x < kTunnelBlockSize; ++x) {
      const uint32_t i = index[x];
      baseTexel[x] = textures.base[i];
      slope[x] = packHeightSlope(textures.height[i], textures.height[(i + 1) & 0xFFFFu],
                                 textures.height[(i + 256) & 0xFFFFu]);
    }
    const __m256i baseTexels = loadAvx2(baseTexel);
    const __m256i slopes = loadAvx2(slope);
    // Only the low byte of each sum is kept, so the slope's other half does not disturb it.
    const __m256i column = _mm256_and_si256(_mm256_add_epi32(_mm256_srai_epi32(u2, 16), slopes), byteMask);
    const __m256i envRow =
        _mm256_and_si256(_mm256_add_epi32(_mm256_srai_epi32(v2, 16), _mm256_srli_epi32(slopes, 16)), byteMask);
    const __m256i envTexelIndex = _mm256_or_si256(_mm256_slli_epi32(envRow, 8), column);
    storeAvx2(envIndex, envTexelIndex);
    for (int32_t x = 0; x < kTunnelBlockSize; ++x) envTexel[x] = textures.env[envIndex[x]];
    const __m256i envTexels = loadAvx2(envTexel);

    const __m256i p = _mm256_adds_epu8(baseTexels, envTexels);
    const __m256i k = _mm256_and_si256(_mm256_srai_epi32(s, 16), byteMask);
    const __m256i kPair = _mm256_or_si256(k, _mm256_slli_epi32(k, 16));
    const __m256i kLow =
        _mm256_or_si256(_mm256_and_si256(_mm256_unpacklo_epi32(kPair, kPair), colourLanes), alphaLanes);
    const __m256i kHigh =
        _mm256_or_si256(_mm256_and_si256(_mm256_unpackhi_epi32(kPair, kPair), colourLanes), alphaLanes);
    const __m256i low = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(p, zero), kLow), 8);
    const __m256i high = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(p, zero), kHigh), 8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_packus_epi16(low, high));

    left = advance(left, leftEdge.step);
    right = advance(right, rightEdge.step);
    out += stride;
  }
}

// An edge's five values on each of the block's rows, row y in lane y.
struct EdgeRows {
  __m256i u, v, u2, v2, s;
};

// Lane y holds start + y x step, the value on row y of an edge (wrapping like the stepped sums).
ORVANTA_TARGET_AVX2 inline __m256i down(int32_t start, int32_t step) {
  const __m256i rowIndex = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  return _mm256_add_epi32(_mm256_set1_epi32(start), _mm256_mullo_epi32(_mm256_set1_epi32(step), rowIndex));
}

ORVANTA_TARGET_AVX2 inline EdgeRows edgeRows(const TunnelColumnEdge& edge) {
  return {down(edge.start.u, edge.step.u), down(edge.start.v, edge.step.v), down(edge.start.u2, edge.step.u2),
          down(edge.start.v2, edge.step.v2), down(edge.start.s, edge.step.s)};
}

// Each row's step from the left edge to the right one.
ORVANTA_TARGET_AVX2 inline __m256i across(__m256i left, __m256i right) {
  return _mm256_srai_epi32(_mm256_sub_epi32(right, left), 3);
}

// The block a column at a time: lane y of a register holds row y, so the next column is one
// addition per value and the rows' own steps need no spreading. Every four columns are turned
// into four rows' halves by in-lane unpacks; two such halves make a row.
template <cpu::LaneLoads kWay>
ORVANTA_TARGET_AVX2 inline void drawColumns(const TunnelTextures& textures, const EdgeRows& left,
                                            const EdgeRows& right, uint32_t* out, ptrdiff_t stride) {
  __m256i u = left.u, v = left.v, u2 = left.u2, v2 = left.v2, s = left.s;
  const __m256i du = across(u, right.u), dv = across(v, right.v), du2 = across(u2, right.u2),
                dv2 = across(v2, right.v2), ds = across(s, right.s);

  // Bytes 0 and 2 of each word to bytes 0 and 1: two 8-bit coordinates to a texel index.
  const __m256i pairToIndex = _mm256_broadcastsi128_si256(
      _mm_setr_epi8(0, 2, -1, -1, 4, 6, -1, -1, 8, 10, -1, -1, 12, 14, -1, -1));
  // Byte 2 of the shade (its integer part) to both 16-bit halves.
  const __m256i shadeToHalves = _mm256_broadcastsi128_si256(
      _mm_setr_epi8(2, -1, 2, -1, 6, -1, 6, -1, 10, -1, 10, -1, 14, -1, 14, -1));
  const __m256i oddBytes = _mm256_set1_epi32(static_cast<int>(0xFF00FF00u));
  const __m256i alphaUnscaled = _mm256_set1_epi32(0x01000000);

  __m256i column[4];
  for (int32_t half = 0; half < 2; ++half) {
    for (int32_t x = 0; x < 4; ++x) {
      const __m256i texelIndex =
          _mm256_shuffle_epi8(_mm256_blend_epi16(_mm256_srli_epi32(u, 16), v, 0xAA), pairToIndex);
      const __m256i baseTexels = loadLanes<kWay>(textures.base, texelIndex);
      const __m256i slopes = loadLanes<kWay>(textures.slopes, texelIndex);
      // 16-bit sums: only the low byte of each survives, as in the scalar sums.
      const __m256i displaced = _mm256_add_epi16(_mm256_blend_epi16(_mm256_srli_epi32(u2, 16), v2, 0xAA), slopes);
      const __m256i envTexels = loadLanes<kWay>(textures.env, _mm256_shuffle_epi8(displaced, pairToIndex));
      const __m256i p = _mm256_adds_epu8(baseTexels, envTexels);
      // Blue and red (even bytes) at the top of their 16-bit lanes, green and alpha (odd bytes)
      // too: the high half of the product by k is (byte x k) >> 8; alpha is taken times 256.
      const __m256i kEven = _mm256_shuffle_epi8(s, shadeToHalves);
      const __m256i kOdd = _mm256_blend_epi16(kEven, alphaUnscaled, 0xAA);
      const __m256i even = _mm256_mulhi_epu16(_mm256_slli_epi16(p, 8), kEven);
      const __m256i odd = _mm256_mulhi_epu16(_mm256_and_si256(p, oddBytes), kOdd);
      column[x] = _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
      u = _mm256_add_epi32(u, du);
      v = _mm256_add_epi32(v, dv);
      u2 = _mm256_add_epi32(u2, du2);
      v2 = _mm256_add_epi32(v2, dv2);
      s = _mm256_add_epi32(s, ds);
    }
    const __m256i t0 = _mm256_unpacklo_epi32(column[0], column[1]), t1 = _mm256_unpackhi_epi32(column[0], column[1]);
    const __m256i t2 = _mm256_unpacklo_epi32(column[2], column[3]), t3 = _mm256_unpackhi_epi32(column[2], column[3]);
    // rows[r]: row r in the low half, row r + 4 in the high half.
    const __m256i rows[4] = {_mm256_unpacklo_epi64(t0, t2), _mm256_unpackhi_epi64(t0, t2),
                             _mm256_unpacklo_epi64(t1, t3), _mm256_unpackhi_epi64(t1, t3)};
    for (int32_t r = 0; r < 4; ++r) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + r * stride + 4 * half), _mm256_castsi256_si128(rows[r]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (r + 4) * stride + 4 * half),
                       _mm256_extracti128_si256(rows[r], 1));
    }
  }
}

template <cpu::LaneLoads kWay>
ORVANTA_TARGET_AVX2 void drawBlockColumns(const TunnelTextures& textures, const TunnelColumnEdge* edges,
                                          int32_t blocks, uint32_t* out, ptrdiff_t stride) {
  // Each edge's rows serve the blocks on both sides of it.
  EdgeRows left = edgeRows(edges[0]);
  for (int32_t block = 0; block < blocks; ++block) {
    const EdgeRows right = edgeRows(edges[block + 1]);
    drawColumns<kWay>(textures, left, right, out + kTunnelBlockSize * block, stride);
    left = right;
  }
}

}  // namespace

ORVANTA_TARGET_AVX2 void drawTunnelBlocksAvx2(const TunnelTextures& textures, const TunnelColumnEdge* edges,
                                              int32_t blocks, uint32_t* out, ptrdiff_t stride,
                                              cpu::LaneLoads loads) {
  if (blocks <= 0) return;
  if (textures.slopes == nullptr) {
    for (int32_t block = 0; block < blocks; ++block) {
      drawRowsFromTexels(textures, edges[block], edges[block + 1], out + kTunnelBlockSize * block, stride);
    }
  } else {
    withLaneLoads(loads, [&]<cpu::LaneLoads kWay>() { drawBlockColumns<kWay>(textures, edges, blocks, out, stride); });
  }
}

}  // namespace orvanta

#endif  // ORVANTA_X86_AVX2
