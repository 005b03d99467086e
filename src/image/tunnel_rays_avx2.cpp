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
// N groups of lanes side by side, so that their long chains (a division, nine steps of the
// polynomial) overlap.
template <int N>
ORVANTA_TARGET_AVX2 inline void sureRows(const __m256 (&hx)[N], const __m256 (&hy)[N], __m256 (&whole)[N],
                                         __m256 (&sure)[N]) {
  const __m256 signBit = _mm256_set1_ps(-0.0f), zero = _mm256_setzero_ps();
  const __m256 margin = _mm256_set1_ps(1.0f / 1024.0f), infinity = _mm256_set1_ps(INFINITY);
  __m256 ax[N], ay[N], larger[N], r[N], z[N], p[N];
#pragma GCC unroll 8
  for (int i = 0; i < N; ++i) {
    ax[i] = _mm256_andnot_ps(signBit, hx[i]);
    ay[i] = _mm256_andnot_ps(signBit, hy[i]);
    larger[i] = _mm256_max_ps(ax[i], ay[i]);
    r[i] = _mm256_div_ps(_mm256_min_ps(ax[i], ay[i]), larger[i]);
    z[i] = _mm256_mul_ps(r[i], r[i]);
    p[i] = _mm256_set1_ps(0.0028662257f);
  }
  for (const float c : {-0.0161657367f, 0.0429096138f, -0.0752896400f, 0.1065626393f, -0.1420889944f,
                        0.1999355085f, -0.3333314528f, 1.0f}) {
#pragma GCC unroll 8
    for (int i = 0; i < N; ++i) p[i] = _mm256_add_ps(_mm256_mul_ps(p[i], z[i]), _mm256_set1_ps(c));
  }
#pragma GCC unroll 8
  for (int i = 0; i < N; ++i) {
    __m256 angle = _mm256_mul_ps(p[i], r[i]);
    angle = _mm256_blendv_ps(angle, _mm256_sub_ps(_mm256_set1_ps(1.57079637f), angle),
                             _mm256_cmp_ps(ay[i], ax[i], _CMP_GT_OQ));
    angle = _mm256_blendv_ps(angle, _mm256_sub_ps(_mm256_set1_ps(3.14159274f), angle),
                             _mm256_cmp_ps(hx[i], zero, _CMP_LT_OQ));
    const __m256 scaled = _mm256_mul_ps(angle, _mm256_set1_ps(static_cast<float>(511.0 * 0.31831927423205475)));
    whole[i] = _mm256_round_ps(scaled, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256 fraction = _mm256_sub_ps(scaled, whole[i]);
    sure[i] = _mm256_and_ps(
        _mm256_and_ps(_mm256_cmp_ps(fraction, margin, _CMP_GT_OQ),
                      _mm256_cmp_ps(fraction, _mm256_set1_ps(1.0f - 1.0f / 1024.0f), _CMP_LT_OQ)),
        _mm256_and_ps(_mm256_cmp_ps(larger[i], zero, _CMP_GT_OQ),
                      _mm256_and_ps(_mm256_cmp_ps(ax[i], infinity, _CMP_LT_OQ),
                                    _mm256_cmp_ps(ay[i], infinity, _CMP_LT_OQ))));
  }
}

}  // namespace

ORVANTA_TARGET_AVX2 void Tunnel::rowsOfHitsAvx2(const float* hx, const float* hy, float* rows, size_t count) {
  size_t k = 0;
  for (; k + 8 <= count; k += 8) {
    const __m256 x[1] = {_mm256_loadu_ps(hx + k)}, y[1] = {_mm256_loadu_ps(hy + k)};
    __m256 row[1], sure[1];
    sureRows<1>(x, y, row, sure);
    _mm256_storeu_ps(rows + k, row[0]);
    const int sureLanes = _mm256_movemask_ps(sure[0]);
    for (size_t j = 0; j < 8; ++j) {
      if ((sureLanes >> j & 1) == 0) rows[k + j] = rowOfHit(hx[k + j], hy[k + j]);
    }
  }
  for (; k < count; ++k) rows[k] = rowOfHit(hx[k], hy[k]);
}

namespace {

// What every ray of a view shares, in all lanes.
struct RayView {
  __m256 m00, m10, z20, m01, m11, z21, m02, m12, z22, m30, m31, m32;
  __m256 px, py, pz, c, uShift, vShift;
};

// castRay's float steps for N groups of eight rays side by side (their chains of roots and
// divisions overlap), in the order castNodesSse2 takes them, and nodeFromHit's steps in lanes
// too: the texture column and row, their second layer, the shade. The double arctangent is
// left to the caller for the rows sureRows leaves open. Screen positions are counted along the
// rows from (column, row), not divided out of the ray's index.
template <int N>
ORVANTA_TARGET_AVX2 inline void castGroups(const RayView& view, int32_t cols, int32_t& column, int32_t& row,
                                           Tunnel::RayGroup* out) {
  const __m256 two = _mm256_set1_ps(2.0f), four = _mm256_set1_ps(4.0f);
  const __m256 signBit = _mm256_set1_ps(-0.0f);
  const __m256 half = _mm256_set1_ps(0.5f), quarter = _mm256_set1_ps(0.25f);
  const __m256 zero = _mm256_setzero_ps(), darkest = _mm256_set1_ps(255.0f);
  const __m256 infinity = _mm256_set1_ps(INFINITY);

  alignas(32) int32_t screenX[N][8], screenY[N][8];
  for (int i = 0; i < N; ++i) {
    for (size_t j = 0; j < 8; ++j) {
      screenX[i][j] = kTunnelBlockSize * column - 160;
      screenY[i][j] = kTunnelBlockSize * row - 120;
      if (++column == cols) column = 0, ++row;
    }
  }
  __m256 t[N], dx[N], dy[N], dz[N], hx[N], hy[N];
#pragma GCC unroll 8
  for (int i = 0; i < N; ++i) {
    const __m256 x = _mm256_cvtepi32_ps(_mm256_load_si256(reinterpret_cast<const __m256i*>(screenX[i])));
    const __m256 y = _mm256_cvtepi32_ps(_mm256_load_si256(reinterpret_cast<const __m256i*>(screenY[i])));
    dx[i] = _mm256_add_ps(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, view.m00), _mm256_mul_ps(y, view.m10)), view.z20), view.m30);
    dy[i] = _mm256_add_ps(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, view.m01), _mm256_mul_ps(y, view.m11)), view.z21), view.m31);
    dz[i] = _mm256_add_ps(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, view.m02), _mm256_mul_ps(y, view.m12)), view.z22), view.m32);
  }
#pragma GCC unroll 8
  for (int i = 0; i < N; ++i) {
    const __m256 length = _mm256_sqrt_ps(_mm256_add_ps(
        _mm256_add_ps(_mm256_mul_ps(dz[i], dz[i]), _mm256_mul_ps(dy[i], dy[i])), _mm256_mul_ps(dx[i], dx[i])));
    dx[i] = _mm256_div_ps(dx[i], length);
    dy[i] = _mm256_div_ps(dy[i], length);
    dz[i] = _mm256_div_ps(dz[i], length);
  }
#pragma GCC unroll 8
  for (int i = 0; i < N; ++i) {
    const __m256 a = _mm256_add_ps(_mm256_mul_ps(dx[i], dx[i]), _mm256_mul_ps(dy[i], dy[i]));
    const __m256 b = _mm256_mul_ps(two, _mm256_add_ps(_mm256_mul_ps(view.py, dy[i]), _mm256_mul_ps(view.px, dx[i])));
    const __m256 disc = _mm256_sub_ps(_mm256_mul_ps(b, b), _mm256_mul_ps(_mm256_mul_ps(four, a), view.c));
    const __m256 root = _mm256_sqrt_ps(disc);
    const __m256 twoA = _mm256_mul_ps(two, a);
    const __m256 t1 = _mm256_div_ps(_mm256_sub_ps(root, b), twoA);
    const __m256 t2 = _mm256_div_ps(_mm256_sub_ps(_mm256_xor_ps(b, signBit), root), twoA);
    t[i] = _mm256_min_ps(t1, t2);
    // castRay's misses: disc < 0, a = 0, or a root that is not finite (|t| < inf fails for NaN).
    const __m256 missed = _mm256_or_ps(
        _mm256_or_ps(_mm256_cmp_ps(disc, zero, _CMP_LT_OQ), _mm256_cmp_ps(a, zero, _CMP_EQ_OQ)),
        _mm256_cmp_ps(_mm256_andnot_ps(signBit, t[i]), infinity, _CMP_NLT_UQ));
    out[i].missed = _mm256_movemask_ps(missed);
    hx[i] = _mm256_add_ps(view.px, _mm256_mul_ps(t[i], dx[i]));
    hy[i] = _mm256_add_ps(view.py, _mm256_mul_ps(t[i], dy[i]));
    _mm256_store_ps(out[i].hx, hx[i]);
    _mm256_store_ps(out[i].hy, hy[i]);
  }
  __m256 v[N], sure[N];
  sureRows<N>(hx, hy, v, sure);
#pragma GCC unroll 8
  for (int i = 0; i < N; ++i) {
    _mm256_store_ps(out[i].v, v[i]);
    _mm256_store_ps(out[i].v2, _mm256_sub_ps(_mm256_mul_ps(v[i], half), view.vShift));
    out[i].sure = _mm256_movemask_ps(sure[i]);
    const __m256 hz = _mm256_add_ps(view.pz, _mm256_mul_ps(t[i], dz[i]));
    // truncToInt32 in every lane: inside [-2^31, 2^31) truncated, otherwise (NaN included) INT32_MIN.
    const __m256 inside = _mm256_and_ps(_mm256_cmp_ps(hz, _mm256_set1_ps(-2147483648.0f), _CMP_GE_OQ),
                                        _mm256_cmp_ps(hz, _mm256_set1_ps(2147483648.0f), _CMP_LT_OQ));
    const __m256i columnWord = _mm256_blendv_epi8(_mm256_set1_epi32(INT32_MIN), _mm256_cvttps_epi32(hz),
                                                  _mm256_castps_si256(inside));
    const __m256 u = _mm256_cvtepi32_ps(columnWord);
    _mm256_store_ps(out[i].u, u);
    _mm256_store_ps(out[i].u2, _mm256_sub_ps(_mm256_mul_ps(u, half), view.uShift));
    // The shade: -t / 4 held to [0, 255] (a distance of -0 gives 255 either way).
    const __m256 distance =
        _mm256_min_ps(_mm256_max_ps(_mm256_mul_ps(_mm256_xor_ps(t[i], signBit), quarter), zero), darkest);
    _mm256_store_si256(reinterpret_cast<__m256i*>(out[i].shade),
                       _mm256_cvttps_epi32(_mm256_sub_ps(darkest, distance)));
  }
}

}  // namespace

// Every group's lanes first, eight groups side by side (on the machine measured 6 us a frame,
// against 14 us one group at a time); then the nodes from them.
ORVANTA_TARGET_AVX2 void Tunnel::castNodesAvx2() {
  const size_t count = static_cast<size_t>(cols) * static_cast<size_t>(rows);
  if (nodes.size() < count) return;
  const float(&m)[4][4] = rotation.m;
  const Vec3& p = position;
  const RayView view{_mm256_set1_ps(m[0][0]), _mm256_set1_ps(m[1][0]), _mm256_set1_ps(256.0f * m[2][0]),
                     _mm256_set1_ps(m[0][1]), _mm256_set1_ps(m[1][1]), _mm256_set1_ps(256.0f * m[2][1]),
                     _mm256_set1_ps(m[0][2]), _mm256_set1_ps(m[1][2]), _mm256_set1_ps(256.0f * m[2][2]),
                     _mm256_set1_ps(m[3][0]), _mm256_set1_ps(m[3][1]), _mm256_set1_ps(m[3][2]),
                     _mm256_set1_ps(p.x), _mm256_set1_ps(p.y), _mm256_set1_ps(p.z),
                     _mm256_set1_ps(p.x * p.x + p.y * p.y - kTunnelRadiusSq), _mm256_set1_ps(uOffset),
                     _mm256_set1_ps(vOffset)};
  const size_t groups = count / 8;
  if (rayGroups.size() < groups) rayGroups.resize(groups);
  int32_t column = 0, row = 0;  // of the next ray
  size_t g = 0;
  for (; g + 8 <= groups; g += 8) castGroups<8>(view, cols, column, row, &rayGroups[g]);
  if (g + 4 <= groups) castGroups<4>(view, cols, column, row, &rayGroups[g]), g += 4;
  if (g + 2 <= groups) castGroups<2>(view, cols, column, row, &rayGroups[g]), g += 2;
  if (g < groups) castGroups<1>(view, cols, column, row, &rayGroups[g]);

  for (g = 0; g < groups; ++g) {
    const RayGroup& lanes = rayGroups[g];
    for (size_t j = 0; j < 8; ++j) {
      TunnelNode& node = nodes[8 * g + j];
      if ((lanes.missed >> j & 1) != 0) {
        node = kTunnelMissNode;
      } else if ((lanes.sure >> j & 1) != 0) {
        node = TunnelNode{lanes.u[j], lanes.v[j], lanes.u2[j], lanes.v2[j], lanes.shade[j]};
      } else {
        const float v = rowOfHit(lanes.hx[j], lanes.hy[j]);
        node = TunnelNode{lanes.u[j], v, lanes.u2[j], v * 0.5f - vOffset, lanes.shade[j]};
      }
    }
  }
  for (size_t k = 8 * groups; k < count; ++k) {
    nodes[k] = castRay(kTunnelBlockSize * column, kTunnelBlockSize * row);
    if (++column == cols) column = 0, ++row;
  }
}

}  // namespace orvanta

#endif  // ORVANTA_X86_AVX2
