#include "image/tunnel.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

#include <cmath>

namespace orvanta {

// castRay's float steps eight rays to a register, in the order castNodesSse2 takes them, and
// nodeFromHit's steps other than the arctangent in lanes too: the texture column, its second
// layer, the shade. Each ray's screen position is counted along the rows, not divided out of
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
  const __m256 uShift = _mm256_set1_ps(uOffset);

  alignas(32) float hx[8], hy[8], u[8], u2[8];
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
    _mm256_store_ps(hx, _mm256_add_ps(px, _mm256_mul_ps(t, dx)));
    _mm256_store_ps(hy, _mm256_add_ps(py, _mm256_mul_ps(t, dy)));
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
      const float v = rowOfHit(hx[j], hy[j]);
      nodes[k + j] = TunnelNode{u[j], v, u2[j], v * 0.5f - vOffset, shade[j]};
    }
  }
  for (; k < count; ++k) {
    nodes[k] = castRay(kTunnelBlockSize * column, kTunnelBlockSize * row);
    if (++column == cols) column = 0, ++row;
  }
}

}  // namespace orvanta

#endif  // ORVANTA_X86_AVX2
