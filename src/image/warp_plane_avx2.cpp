#include "image/warp_plane_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

#include "image/lane_loads_avx2.h"

namespace orvanta::kernels {
namespace {

// Lanes k of a line: coordinates at k steps, and eight steps.
struct LineLanes {
  __m256i u, v, stepU, stepV;
};

ORVANTA_TARGET_AVX2 LineLanes lanesOf(const TextureLine& line) {
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  return LineLanes{_mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(line.u)),
                                    _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(line.du)))),
                   _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(line.v)),
                                    _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(line.dv)))),
                   _mm256_set1_epi32(static_cast<int>(8u * line.du)), _mm256_set1_epi32(static_cast<int>(8u * line.dv))};
}

// The eight texels of the lanes, then the lanes stepped.
template <cpu::LaneLoads kWay>
ORVANTA_TARGET_AVX2 __m256i texelsOf(const uint32_t* texels, LineLanes& lanes) {
  const __m256i index = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(lanes.v, 8), _mm256_set1_epi32(0xFF00)),
                                        _mm256_and_si256(_mm256_srli_epi32(lanes.u, 16), _mm256_set1_epi32(0xFF)));
  lanes.u = _mm256_add_epi32(lanes.u, lanes.stepU);
  lanes.v = _mm256_add_epi32(lanes.v, lanes.stepV);
  return loadLanes<kWay>(texels, index);
}

// Lane k holds u + k du and v + k dv (wrapping like the stepped sums); the texels come in by
// one gather per eight pixels, or eight single loads. Keyed rows keep the holes by blending
// with what is there (a full load and store stay inside the row: 320 is a multiple of eight);
// a masked store does the same but is slow on some processors.
template <cpu::LaneLoads kWay>
ORVANTA_TARGET_AVX2 void warpRow(uint32_t* out, const uint32_t* texels, const TextureLine& line, bool keyed) {
  LineLanes lanes = lanesOf(line);
  const __m256i red = _mm256_set1_epi32(0x00FF0000);
  for (int x = 0; x < 320; x += 8) {
    const __m256i texel = texelsOf<kWay>(texels, lanes);
    __m256i* const at = reinterpret_cast<__m256i*>(out + x);
    if (keyed) {
      const __m256i hole = _mm256_cmpeq_epi32(_mm256_and_si256(texel, red), red);
      _mm256_storeu_si256(at, _mm256_blendv_epi8(texel, _mm256_loadu_si256(at), hole));
    } else {
      _mm256_storeu_si256(at, texel);
    }
  }
}

template <cpu::LaneLoads kWay>
ORVANTA_TARGET_AVX2 void warpRowPair(uint32_t* out, const uint32_t* under, TextureLine a, const uint32_t* over,
                                     TextureLine b) {
  LineLanes underLanes = lanesOf(a);
  LineLanes overLanes = lanesOf(b);
  const __m256i red = _mm256_set1_epi32(0x00FF0000);
  for (int x = 0; x < 320; x += 8) {
    const __m256i bottom = texelsOf<kWay>(under, underLanes);
    const __m256i top = texelsOf<kWay>(over, overLanes);
    const __m256i hole = _mm256_cmpeq_epi32(_mm256_and_si256(top, red), red);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_blendv_epi8(top, bottom, hole));
  }
}

}  // namespace

ORVANTA_TARGET_AVX2 void warpRowAvx2(uint32_t* out, const uint32_t* texels, uint32_t u, uint32_t v, uint32_t du,
                                     uint32_t dv, bool keyed, cpu::LaneLoads loads) {
  withLaneLoads(loads, [&]<cpu::LaneLoads kWay>() { warpRow<kWay>(out, texels, TextureLine{u, v, du, dv}, keyed); });
}

ORVANTA_TARGET_AVX2 void warpRowPairAvx2(uint32_t* out, const uint32_t* under, TextureLine a, const uint32_t* over,
                                         TextureLine b, cpu::LaneLoads loads) {
  withLaneLoads(loads, [&]<cpu::LaneLoads kWay>() { warpRowPair<kWay>(out, under, a, over, b); });
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
