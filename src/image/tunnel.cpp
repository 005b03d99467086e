#include "image/tunnel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "base/truncate.h"
#include "image/tunnel_block.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>
#endif

namespace orvanta {
namespace {

// 1 / 3.1415: v runs from 0 to 511 over half a turn.
constexpr double kInversePi = 0.31831927423205475;

// 16.16 from a float texture coordinate; huge values become INT32_MIN like the machine.
int32_t toFixed1616(float value) { return truncToInt32(value * 65536.0f); }

// Per-row step of an edge: an eighth of the difference, by arithmetic shift.
int32_t edgeStep(float top, float bottom) { return toFixed1616(bottom - top) >> 3; }

int32_t shadeStep(int32_t top, int32_t bottom) {
  const uint32_t difference = static_cast<uint32_t>(bottom) - static_cast<uint32_t>(top);
  return static_cast<int32_t>(difference << 16) >> 3;
}

bool isTunnelTexture(const Image& image) {
  return image.pixels != nullptr && image.width == kTunnelTextureSize &&
         image.height == kTunnelTextureSize;
}

// Textures of any other size (or missing) would be read out of bounds; so would a target
// smaller than the area.
bool canDraw(const Image& target, const Image& base, const Image& heightMap, const Image& envMap,
             int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!isTunnelTexture(base) || !isTunnelTexture(heightMap) || !isTunnelTexture(envMap)) return false;
  return target.pixels != nullptr && width >= 0 && height >= 0 && x >= 0 && y >= 0 &&
         x <= target.width - width && y <= target.height - height;
}

TunnelFixed fixedFromNode(const TunnelNode& node) {
  return {toFixed1616(node.u), toFixed1616(node.v), toFixed1616(node.u2), toFixed1616(node.v2),
          static_cast<int32_t>(static_cast<uint32_t>(node.shade) << 16)};
}

TunnelFixed edgeSteps(const TunnelNode& top, const TunnelNode& bottom) {
  return {edgeStep(top.u, bottom.u), edgeStep(top.v, bottom.v), edgeStep(top.u2, bottom.u2),
          edgeStep(top.v2, bottom.v2), shadeStep(top.shade, bottom.shade)};
}

}  // namespace

Tunnel::ColumnEdge Tunnel::columnEdgeReference(const TunnelNode& top, const TunnelNode& bottom) {
  return {fixedFromNode(top), edgeSteps(top, bottom)};
}

#if ORVANTA_X86_VECTORS
namespace {

// truncToInt32 in every lane: the truncated value inside [-2^31, 2^31), otherwise (NaN
// included, as both comparisons fail) INT32_MIN. cvttps2dq alone does this on x86; the
// explicit range keeps emulations of it (the web build) to the same words.
__m128i truncLanes(__m128 value) {
  const __m128 inside = _mm_and_ps(_mm_cmpge_ps(value, _mm_set1_ps(-2147483648.0f)),
                                   _mm_cmplt_ps(value, _mm_set1_ps(2147483648.0f)));
  const __m128i keep = _mm_castps_si128(inside);
  return _mm_or_si128(_mm_and_si128(keep, _mm_cvttps_epi32(value)), _mm_andnot_si128(keep, _mm_set1_epi32(INT32_MIN)));
}

}  // namespace
#endif

Tunnel::ColumnEdge Tunnel::columnEdge(const TunnelNode& top, const TunnelNode& bottom) {
#if ORVANTA_X86_VECTORS
  // u, v, u2 and v2 lead the node.
  static_assert(offsetof(TunnelNode, u) == 0 && offsetof(TunnelNode, v2) == 12);
  static_assert(offsetof(TunnelFixed, u) == 0 && offsetof(TunnelFixed, v2) == 12);
  const __m128 scale = _mm_set1_ps(65536.0f);
  const __m128 topUv = _mm_loadu_ps(&top.u);
  const __m128 bottomUv = _mm_loadu_ps(&bottom.u);
  ColumnEdge edge;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&edge.start.u), truncLanes(_mm_mul_ps(topUv, scale)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&edge.step.u),
                   _mm_srai_epi32(truncLanes(_mm_mul_ps(_mm_sub_ps(bottomUv, topUv), scale)), 3));
  edge.start.s = static_cast<int32_t>(static_cast<uint32_t>(top.shade) << 16);
  edge.step.s = shadeStep(top.shade, bottom.shade);
  return edge;
#else
  return columnEdgeReference(top, bottom);
#endif
}

void Tunnel::init(int32_t width, int32_t height) {
  cols = std::max(width, 0) / kTunnelBlockSize + 1;
  rows = std::max(height, 0) / kTunnelBlockSize + 1;
  nodes.assign(static_cast<size_t>(cols) * static_cast<size_t>(rows), TunnelNode{});
  columnEdges.assign(static_cast<size_t>(cols), ColumnEdge{});
  rayGroups.assign(nodes.size() / 8, RayGroup{});
  uOffset = 0.0f;
  vOffset = 0.0f;
  rotation.setIdentity();
}

void Tunnel::setView(float px, float py, float pz, float ax, float ay, float az) {
  rotation.setRotation(ax, ay, az);
  angles = Vec3{ax, ay, az};
  position = Vec3{px, py, pz};
}

TunnelNode Tunnel::castRay(int32_t x, int32_t y) const {
  Vec3 d;
  rotation.transformPoint(static_cast<float>(static_cast<int64_t>(x) - 160),
                          static_cast<float>(static_cast<int64_t>(y) - 120), 256.0f, d);
  const float length = std::sqrt(d.z * d.z + d.y * d.y + d.x * d.x);
  d.x = d.x / length;
  d.y = d.y / length;
  d.z = d.z / length;

  const Vec3& p = position;
  const float a = d.x * d.x + d.y * d.y;
  const float b = 2.0f * (p.y * d.y + p.x * d.x);
  const float c = p.x * p.x + p.y * p.y - kTunnelRadiusSq;
  const float disc = b * b - 4.0f * a * c;
  // A ray along the axis (a = 0) has no finite hit; nor has one that misses the cylinder.
  if (disc < 0.0f || a == 0.0f) return kTunnelMissNode;

  const float root = std::sqrt(disc);
  const float t1 = (root - b) / (2.0f * a);
  const float t2 = (-b - root) / (2.0f * a);
  const float t = t1 < t2 ? t1 : t2;
  if (!std::isfinite(t)) return kTunnelMissNode;

  return nodeFromHit(t, p.x + t * d.x, p.y + t * d.y, p.z + t * d.z);
}

TunnelNode Tunnel::nodeFromHit(float t, float hx, float hy, float hz) const {
  TunnelNode node;
  node.u = static_cast<float>(truncToInt32(hz));
  node.v = rowOfHit(hx, hy);
  node.u2 = node.u * 0.5f - uOffset;
  node.v2 = node.v * 0.5f - vOffset;

  float distance = -t * 0.25f;
  if (distance < 0.0f) distance = 0.0f;
  if (distance > 255.0f) distance = 255.0f;
  node.shade = truncToInt32(255.0f - distance);
  return node;
}

float Tunnel::rowOfHit(float hx, float hy) {
  const double angle = std::atan2(static_cast<double>(hy), static_cast<double>(hx));
  return static_cast<float>(truncToInt32(std::fabs(angle * 511.0 * kInversePi)));
}

void Tunnel::castNodesReference() {
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < cols; ++c) {
      nodes[static_cast<size_t>(r) * cols + c] = castRay(kTunnelBlockSize * c, kTunnelBlockSize * r);
    }
  }
}

void Tunnel::castNodes() {
#if ORVANTA_X86_AVX2
  if (cpu::hasAvx2()) {
    castNodesAvx2();
    return;
  }
#endif
#if ORVANTA_X86_VECTORS
  castNodesSse2();
#else
  castNodesReference();
#endif
}

bool Tunnel::draw(Image& target, const Image& base, const Image& heightMap, const Image& envMap,
                  const HeightSlopes* slopes) {
  castNodes();
  if (!canDraw(target, base, heightMap, envMap, 0, 0, kTunnelBlockSize * (cols - 1),
               kTunnelBlockSize * (rows - 1))) {
    return false;
  }

  const TunnelTextures textures{base.pixels, heightMap.pixels, envMap.pixels,
                                slopes == nullptr ? nullptr : slopes->wordsFor(heightMap)};
  columnEdges.resize(static_cast<size_t>(cols));
  for (int32_t r = 0; r + 1 < rows; ++r) {
    // Each node's 16.16 values and each vertical edge's steps serve two blocks; work them out once.
    const TunnelNode* top = &nodes[static_cast<size_t>(r) * cols];
    const TunnelNode* bottom = top + cols;
    for (int32_t c = 0; c < cols; ++c) columnEdges[c] = columnEdge(top[c], bottom[c]);

    drawTunnelBlocks(textures, columnEdges.data(), cols - 1,
                     target.pixels + static_cast<size_t>(kTunnelBlockSize * r) * target.width, target.width);
  }
  return target.width == kTunnelBlockSize * (cols - 1) && target.height == kTunnelBlockSize * (rows - 1);
}

void Tunnel::drawBlock(Image& target, const Image& base, const Image& heightMap, const Image& envMap, int32_t x,
                       int32_t y,
                       const TunnelNode& topLeft, const TunnelNode& topRight,
                       const TunnelNode& bottomLeft, const TunnelNode& bottomRight) const {
  if (!canDraw(target, base, heightMap, envMap, x, y, kTunnelBlockSize, kTunnelBlockSize)) return;
  const TunnelColumnEdge edges[2] = {{fixedFromNode(topLeft), edgeSteps(topLeft, bottomLeft)},
                                     {fixedFromNode(topRight), edgeSteps(topRight, bottomRight)}};
  const TunnelTextures textures{base.pixels, heightMap.pixels, envMap.pixels};
  drawTunnelBlocks(textures, edges, 1, target.pixels + static_cast<size_t>(y) * target.width + x, target.width);
}

}  // namespace orvanta
