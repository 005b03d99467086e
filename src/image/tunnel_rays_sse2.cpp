#include "image/tunnel.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>

#include <cmath>

namespace orvanta {

// castRay's float steps in the same order, four rays to a register: each lane rounds as the
// single operation does, and the smaller root is picked as `t1 < t2 ? t1 : t2` (minps takes
// the second operand when the first is not smaller, NaN included). Rays left over after the
// last group of four, and what follows the hit, go one at a time.
void Tunnel::castNodesSse2() {
  const size_t count = static_cast<size_t>(cols) * static_cast<size_t>(rows);
  if (nodes.size() < count) return;
  const float(&m)[4][4] = rotation.m;
  const __m128 m00 = _mm_set1_ps(m[0][0]), m10 = _mm_set1_ps(m[1][0]), z20 = _mm_set1_ps(256.0f * m[2][0]);
  const __m128 m01 = _mm_set1_ps(m[0][1]), m11 = _mm_set1_ps(m[1][1]), z21 = _mm_set1_ps(256.0f * m[2][1]);
  const __m128 m02 = _mm_set1_ps(m[0][2]), m12 = _mm_set1_ps(m[1][2]), z22 = _mm_set1_ps(256.0f * m[2][2]);
  const __m128 m30 = _mm_set1_ps(m[3][0]), m31 = _mm_set1_ps(m[3][1]), m32 = _mm_set1_ps(m[3][2]);
  const Vec3& p = position;
  const __m128 px = _mm_set1_ps(p.x), py = _mm_set1_ps(p.y), pz = _mm_set1_ps(p.z);
  const __m128 c = _mm_set1_ps(p.x * p.x + p.y * p.y - kTunnelRadiusSq);
  const __m128 two = _mm_set1_ps(2.0f), four = _mm_set1_ps(4.0f);
  const __m128 signBit = _mm_set1_ps(-0.0f);

  alignas(16) float t[4], hx[4], hy[4], hz[4], disc[4], a[4];
  size_t k = 0;
  for (; k + 4 <= count; k += 4) {
    alignas(16) int32_t screenX[4], screenY[4];
    for (size_t j = 0; j < 4; ++j) {
      const int32_t column = static_cast<int32_t>((k + j) % static_cast<size_t>(cols));
      const int32_t row = static_cast<int32_t>((k + j) / static_cast<size_t>(cols));
      screenX[j] = kTunnelBlockSize * column - 160;
      screenY[j] = kTunnelBlockSize * row - 120;
    }
    const __m128 x = _mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(screenX)));
    const __m128 y = _mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(screenY)));
    __m128 dx = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, m00), _mm_mul_ps(y, m10)), z20), m30);
    __m128 dy = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, m01), _mm_mul_ps(y, m11)), z21), m31);
    __m128 dz = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, m02), _mm_mul_ps(y, m12)), z22), m32);
    const __m128 length =
        _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(dz, dz), _mm_mul_ps(dy, dy)), _mm_mul_ps(dx, dx)));
    dx = _mm_div_ps(dx, length);
    dy = _mm_div_ps(dy, length);
    dz = _mm_div_ps(dz, length);

    const __m128 aLanes = _mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy));
    const __m128 b = _mm_mul_ps(two, _mm_add_ps(_mm_mul_ps(py, dy), _mm_mul_ps(px, dx)));
    const __m128 discLanes = _mm_sub_ps(_mm_mul_ps(b, b), _mm_mul_ps(_mm_mul_ps(four, aLanes), c));
    const __m128 root = _mm_sqrt_ps(discLanes);
    const __m128 twoA = _mm_mul_ps(two, aLanes);
    const __m128 t1 = _mm_div_ps(_mm_sub_ps(root, b), twoA);
    const __m128 t2 = _mm_div_ps(_mm_sub_ps(_mm_xor_ps(b, signBit), root), twoA);
    const __m128 tLanes = _mm_min_ps(t1, t2);
    _mm_store_ps(t, tLanes);
    _mm_store_ps(hx, _mm_add_ps(px, _mm_mul_ps(tLanes, dx)));
    _mm_store_ps(hy, _mm_add_ps(py, _mm_mul_ps(tLanes, dy)));
    _mm_store_ps(hz, _mm_add_ps(pz, _mm_mul_ps(tLanes, dz)));
    _mm_store_ps(disc, discLanes);
    _mm_store_ps(a, aLanes);
    for (size_t j = 0; j < 4; ++j) {
      const bool miss = disc[j] < 0.0f || a[j] == 0.0f || !std::isfinite(t[j]);
      nodes[k + j] = miss ? kTunnelMissNode : nodeFromHit(t[j], hx[j], hy[j], hz[j]);
    }
  }
  for (; k < count; ++k) {
    const int32_t column = static_cast<int32_t>(k % static_cast<size_t>(cols));
    const int32_t row = static_cast<int32_t>(k / static_cast<size_t>(cols));
    nodes[k] = castRay(kTunnelBlockSize * column, kTunnelBlockSize * row);
  }
}

}  // namespace orvanta

#endif  // ORVANTA_X86_VECTORS
