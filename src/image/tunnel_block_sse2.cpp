#include "image/tunnel_block.h"

#include "image/height_slopes.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>

namespace orvanta {
namespace {

// Lane j holds left + (first + j) x step, wrapping like the stepped sums.
__m128i spread(int32_t left, int32_t right, uint32_t first) {
  const uint32_t step = static_cast<uint32_t>(tunnelPixelStep(left, right));
  const uint32_t start = static_cast<uint32_t>(left) + first * step;
  return _mm_setr_epi32(static_cast<int>(start), static_cast<int>(start + step), static_cast<int>(start + 2u * step),
                        static_cast<int>(start + 3u * step));
}

__m128i load(const uint32_t* words) { return _mm_load_si128(reinterpret_cast<const __m128i*>(words)); }
void store(uint32_t* words, __m128i value) { _mm_store_si128(reinterpret_cast<__m128i*>(words), value); }

// Four pixels of a row, `first` pixels from its left edge. The slope words come from the
// table or, without one, from the three height texels.
template <bool kSlopeTable>
void drawFour(const TunnelTextures& textures, const TunnelFixed& left, const TunnelFixed& right, uint32_t first,
              uint32_t* out) {
  const __m128i byteMask = _mm_set1_epi32(0xFF);
  // 16-bit lanes per pixel: blue, green and red take the shade, alpha is multiplied by 256.
  const __m128i colourLanes = _mm_set1_epi64x(0x0000FFFFFFFFFFFFLL);
  const __m128i alphaLanes = _mm_set1_epi64x(0x0100000000000000LL);
  const __m128i zero = _mm_setzero_si128();

  alignas(16) uint32_t index[4];
  alignas(16) uint32_t baseTexel[4];
  alignas(16) uint32_t slope[4];
  alignas(16) uint32_t envIndex[4];
  alignas(16) uint32_t envTexel[4];

  const __m128i u = spread(left.u, right.u, first);
  const __m128i v = spread(left.v, right.v, first);
  const __m128i u2 = spread(left.u2, right.u2, first);
  const __m128i v2 = spread(left.v2, right.v2, first);
  const __m128i s = spread(left.s, right.s, first);

  store(index, _mm_or_si128(_mm_and_si128(_mm_srai_epi32(v, 8), _mm_set1_epi32(0xFF00)),
                            _mm_and_si128(_mm_srli_epi32(u, 16), byteMask)));
  for (int32_t x = 0; x < 4; ++x) {
    const uint32_t i = index[x];
    baseTexel[x] = textures.base[i];
    if constexpr (kSlopeTable) {
      slope[x] = textures.slopes[i];
    } else {
      slope[x] = packHeightSlope(textures.height[i], textures.height[(i + 1) & 0xFFFFu],
                                 textures.height[(i + 256) & 0xFFFFu]);
    }
  }
  // Only the low byte of each sum is kept, so the slope's other half does not disturb it.
  const __m128i slopes = load(slope);
  const __m128i column = _mm_and_si128(_mm_add_epi32(_mm_srai_epi32(u2, 16), slopes), byteMask);
  const __m128i envRow =
      _mm_and_si128(_mm_add_epi32(_mm_srai_epi32(v2, 16), _mm_srli_epi32(slopes, 16)), byteMask);
  store(envIndex, _mm_or_si128(_mm_slli_epi32(envRow, 8), column));
  for (int32_t x = 0; x < 4; ++x) envTexel[x] = textures.env[envIndex[x]];

  const __m128i p = _mm_adds_epu8(load(baseTexel), load(envTexel));
  const __m128i k = _mm_and_si128(_mm_srai_epi32(s, 16), byteMask);
  const __m128i kPair = _mm_or_si128(k, _mm_slli_epi32(k, 16));
  const __m128i kLow = _mm_or_si128(_mm_and_si128(_mm_unpacklo_epi32(kPair, kPair), colourLanes), alphaLanes);
  const __m128i kHigh = _mm_or_si128(_mm_and_si128(_mm_unpackhi_epi32(kPair, kPair), colourLanes), alphaLanes);
  const __m128i low = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), kLow), 8);
  const __m128i high = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), kHigh), 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
}

}  // namespace

void drawTunnelBlocksSse2(const TunnelTextures& textures, const TunnelColumnEdge* edges, int32_t blocks,
                          uint32_t* out, ptrdiff_t stride) {
  forEachBlockRow(edges, blocks, out, stride, [&](const TunnelFixed& left, const TunnelFixed& right, uint32_t* row) {
    if (textures.slopes != nullptr) {
      drawFour<true>(textures, left, right, 0, row);
      drawFour<true>(textures, left, right, 4, row + 4);
    } else {
      drawFour<false>(textures, left, right, 0, row);
      drawFour<false>(textures, left, right, 4, row + 4);
    }
  });
}

}  // namespace orvanta

#endif  // ORVANTA_X86_VECTORS
