#include "image/tunnel.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

#include <cmath>

namespace orvanta {
namespace {

// Rows of the hits (hx, hy) where a float arctangent settles them; the other lanes of `sure`
// are 0. The row is trunc(|atan2(hy, hx)| x 511 / 3.1415) in doubles; here the angle comes
// from atan on [0, 1] (a polynomial whose float evaluation is within 1.1e-7 of atan at every
// float, checked at each one), folded to [0, pi]. With the ratio's rounding, the constants and
// the folds the angle is within 5e-7 of the true one, the scaled row within 1.3e-4. A row more
// than 1/1024 from a whole number therefore truncates as the exact one does; nearer (about one
// hit in 500), or with both coordinates 0 or not finite, rowOfHit decides.
ORVANTA_TARGET_AVX2 __m256 sureRows(__m256 hx, __m256 hy, __m256& sure) {
  const __m256 signBit = _mm256_set1_ps(-0.0f);
  const __m256 ax = _mm256_andnot_ps(signBit, hx), ay = _mm256_andnot_ps(signBit, hy);
  const __m256 smaller = _mm256_min_ps(ax, ay), larger = _mm256_max_ps(ax, ay);
  const __m256 r = _mm256_div_ps(smaller, larger);
  const __m256 z = _mm256_mul_ps(r, r);
  __m256 p = _mm256_set1_ps(0.0028662257f);
  for (const float c : {-0.0161657367f, 0.0429096138f, -0.0752896400f, 0.1065626393f, -0.1420889944f,
                        0.1999355085f, -0.3333314528f, 1.0f}) {
    p = _mm256_add_ps(_mm256_mul_ps(p, z), _mm256_set1_ps(c));
  }
  __m256 angle = _mm256_mul_ps(p, r);
  angle = _mm256_blendv_ps(angle, _mm256_sub_ps(_mm256_set1_ps(1.57079637f), angle),
                           _mm256_cmp_ps(ay, ax, _CMP_GT_OQ));
  angle = _mm256_blendv_ps(angle, _mm256_sub_ps(_mm256_set1_ps(3.14159274f), angle),
                           _mm256_cmp_ps(hx, _mm256_setzero_ps(), _CMP_LT_OQ));
  const __m256 scaled = _mm256_mul_ps(angle, _mm256_set1_ps(static_cast<float>(511.0 * 0.31831927423205475)));
  const __m256 whole = _mm256_round_ps(scaled, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  const __m256 fraction = _mm256_sub_ps(scaled, whole);
  const __m256 margin = _mm256_set1_ps(1.0f / 1024.0f), infinity = _mm256_set1_ps(INFINITY);
  sure = _mm256_and_ps(
      _mm256_and_ps(_mm256_cmp_ps(fraction, margin, _CMP_GT_OQ),
                    _mm256_cmp_ps(fraction, _mm256_set1_ps(1.0f - 1.0f / 1024.0f), _CMP_LT_OQ)),
      _mm256_and_ps(_mm256_cmp_ps(larger, _mm256_setzero_ps(), _CMP_GT_OQ),
                    _mm256_and_ps(_mm256_cmp_ps(ax, infinity, _CMP_LT_OQ), _mm256_cmp_ps(ay, infinity, _CMP_LT_OQ))));
  return whole;
}

}  // namespace

ORVANTA_TARGET_AVX2 void Tunnel::rowsOfHitsAvx2(const float* hx, const float* hy, float* rows, size_t count) {
  size_t k = 0;
  for (; k + 8 <= count; k += 8) {
    __m256 sure;
    _mm256_storeu_ps(rows + k, sureRows(_mm256_loadu_ps(hx + k), _mm256_loadu_ps(hy + k), sure));
    const int sureLanes = _mm256_movemask_ps(sure);
    for (size_t j = 0; j < 8; ++j) {
      if ((sureLanes >> j & 1) == 0) rows[k + j] = rowOfHit(hx[k + j], hy[k + j]);
    }
  }
  for (; k < count; ++k) rows[k] = rowOfHit(hx[k], hy[k]);
}

// castRay's float steps eight rays to a register, in the order castNodesSse2 takes them, and
// nodeFromHit's steps in lanes too: the texture column and row, their second layer, the shade;
// the double arctangent only for the rows sureRows leaves open. Each ray's screen position is counted along the rows, not divided out of
// its index.
ORVANTA_TARGET_AVX2 void Tunnel::castNodesAvx2() {
  const size_t count = static_cast<size_t>(cols) * static_cast<size_t>(rows);
  if (nodes.size() < count) return;
  const float(&m)[4][4] = rotation.m;
  const __m256 m00 = _mm256_set1_ps(m[0][0]), m10 = _mm256_set1_ps(m[1][0]), z20 = _mm256_set1_ps(256.0f * m[2][0]);
  const __m256 m01 = _mm256_set1_ps(m[0][1]), m11 = _mm256_set1_ps(m[1][1]), z21 = _mm256_set1_ps(256.0f * m[2][1]);
  const __m256 m02 = _mm256_set1_ps(m[0][2]), m12 = _mm256_set1_ps(m[1][2]), z22 = _mm256_set1_ps(256.0f * m[2][2]);
  const __m256 m30 = _mm256_set1_ps(m[3][0]), m31 = _mm256_set1_ps(m[3][1]), m32 = _mm256_set1_ps(m[3][2]);
  const Vec3& p = position;
  const __m256 px = _mm256_set1_ps(p.x), py = _mm256_set1_ps(p.y), pz = _mm256_set1_ps(p.z);
  const __m256 c = _mm256_set1_ps(p.x * p.x + p.y * p.y - kTunnelRadiusSq);
  const __m256 two = _mm256_set1_ps(2.0f), four = _mm256_set1_ps(4.0f);
  const __m256 signBit = _mm256_set1_ps(-0.0f);
  const __m256 half = _mm256_set1_ps(0.5f), quarter = _mm256_set1_ps(0.25f);
  const __m256 zero = _mm256_setzero_ps(), darkest = _mm256_set1_ps(255.0f);
  const __m256 infinity = _mm256_set1_ps(INFINITY);
  const __m256 uShift = _mm256_set1_ps(uOffset), vShift = _mm256_set1_ps(vOffset);

  alignas(32) float hx[8], hy[8], u[8], u2[8], v[8], v2[8];
  alignas(32) int32_t shade[8], miss[8], screenX[8], screenY[8];
  int32_t column = 0, row = 0;  // of the next ray
  size_t k = 0;
  for (; k + 8 <= count; k += 8) {
    for (size_t j = 0; j < 8; ++j) {
      screenX[j] = kTunnelBlockSize * column - 160;
      screenY[j] = kTunnelBlockSize * row - 120;
      if (++column == cols) column = 0, ++row;
    }
    const __m256 x = _mm256_cvtepi32_ps(_mm256_load_si256(reinterpret_cast<const __m256i*>(screenX)));
    const __m256 y = _mm256_cvtepi32_ps(_mm256_load_si256(reinterpret_cast<const __m256i*>(screenY)));
    __m256 dx = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, m00), _mm256_mul_ps(y, m10)), z20), m30);
    __m256 dy = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, m01), _mm256_mul_ps(y, m11)), z21), m31);
    __m256 dz = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, m02), _mm256_mul_ps(y, m12)), z22), m32);
    const __m256 length = _mm256_sqrt_ps(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(dz, dz), _mm256_mul_ps(dy, dy)), _mm256_mul_ps(dx, dx)));
    dx = _mm256_div_ps(dx, length);
    dy = _mm256_div_ps(dy, length);
    dz = _mm256_div_ps(dz, length);

    const __m256 a = _mm256_add_ps(_mm256_mul_ps(dx, dx), _mm256_mul_ps(dy, dy));
    const __m256 b = _mm256_mul_ps(two, _mm256_add_ps(_mm256_mul_ps(py, dy), _mm256_mul_ps(px, dx)));
    const __m256 disc = _mm256_sub_ps(_mm256_mul_ps(b, b), _mm256_mul_ps(_mm256_mul_ps(four, a), c));
    const __m256 root = _mm256_sqrt_ps(disc);
    const __m256 twoA = _mm256_mul_ps(two, a);
    const __m256 t1 = _mm256_div_ps(_mm256_sub_ps(root, b), twoA);
    const __m256 t2 = _mm256_div_ps(_mm256_sub_ps(_mm256_xor_ps(b, signBit), root), twoA);
    const __m256 t = _mm256_min_ps(t1, t2);
    // castRay's misses: disc < 0, a = 0, or a root that is not finite (|t| < inf fails for NaN).
    const __m256 missed = _mm256_or_ps(
        _mm256_or_ps(_mm256_cmp_ps(disc, zero, _CMP_LT_OQ), _mm256_cmp_ps(a, zero, _CMP_EQ_OQ)),
        _mm256_cmp_ps(_mm256_andnot_ps(signBit, t), infinity, _CMP_NLT_UQ));
    _mm256_store_si256(reinterpret_cast<__m256i*>(miss), _mm256_castps_si256(missed));
    const __m256 hxLanes = _mm256_add_ps(px, _mm256_mul_ps(t, dx));
    const __m256 hyLanes = _mm256_add_ps(py, _mm256_mul_ps(t, dy));
    _mm256_store_ps(hx, hxLanes);
    _mm256_store_ps(hy, hyLanes);
    __m256 sure;
    const __m256 vLanes = sureRows(hxLanes, hyLanes, sure);
    _mm256_store_ps(v, vLanes);
    _mm256_store_ps(v2, _mm256_sub_ps(_mm256_mul_ps(vLanes, half), vShift));
    const int sureLanes = _mm256_movemask_ps(sure);
    const __m256 hz = _mm256_add_ps(pz, _mm256_mul_ps(t, dz));

    // truncToInt32 in every lane: inside [-2^31, 2^31) truncated, otherwise (NaN included) INT32_MIN.
    const __m256 inside = _mm256_and_ps(_mm256_cmp_ps(hz, _mm256_set1_ps(-2147483648.0f), _CMP_GE_OQ),
                                        _mm256_cmp_ps(hz, _mm256_set1_ps(2147483648.0f), _CMP_LT_OQ));
    const __m256i columnWord = _mm256_blendv_epi8(_mm256_set1_epi32(INT32_MIN), _mm256_cvttps_epi32(hz),
                                                _mm256_castps_si256(inside));
    const __m256 uLanes = _mm256_cvtepi32_ps(columnWord);
    _mm256_store_ps(u, uLanes);
    _mm256_store_ps(u2, _mm256_sub_ps(_mm256_mul_ps(uLanes, half), uShift));
    // The shade: -t / 4 held to [0, 255] (a distance of -0 gives 255 either way).
    const __m256 distance = _mm256_min_ps(_mm256_max_ps(_mm256_mul_ps(_mm256_xor_ps(t, signBit), quarter), zero), darkest);
    _mm256_store_si256(reinterpret_cast<__m256i*>(shade), _mm256_cvttps_epi32(_mm256_sub_ps(darkest, distance)));

    for (size_t j = 0; j < 8; ++j) {
      if (miss[j] != 0) {
        nodes[k + j] = kTunnelMissNode;
        continue;
      }
      if ((sureLanes >> j & 1) != 0) {
        nodes[k + j] = TunnelNode{u[j], v[j], u2[j], v2[j], shade[j]};
      } else {
        const float row = rowOfHit(hx[j], hy[j]);
        nodes[k + j] = TunnelNode{u[j], row, u2[j], row * 0.5f - vOffset, shade[j]};
      }
    }
  }
  for (; k < count; ++k) {
    nodes[k] = castRay(kTunnelBlockSize * column, kTunnelBlockSize * row);
    if (++column == cols) column = 0, ++row;
  }
}

}  // namespace orvanta

#endif  // ORVANTA_X86_AVX2
