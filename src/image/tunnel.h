#pragma once
// The ray-cast tunnel: one ray per node of a grid with 8-pixel spacing, hitting the inside
// of a cylinder around the z axis; the 8 x 8 blocks between nodes are filled by bilinear
// 16.16 stepping of the texture coordinates and the light.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/cpu_features.h"
#include "base/math.h"
#include "image/height_slopes.h"
#include "image/image.h"
#include "image/tunnel_block.h"

namespace orvanta {

// x^2 + y^2 = 16384: radius 128.
inline constexpr float kTunnelRadiusSq = 16384.0f;
// The tunnel's textures are addressed with both coordinates taken modulo 256.
inline constexpr int32_t kTunnelTextureSize = 256;

struct TunnelNode {
  float u = 0.0f;   // column along the axis
  float v = 0.0f;   // row around the axis
  float u2 = 0.0f;  // second layer, scrolled by uOffset
  float v2 = 0.0f;  // second layer, scrolled by vOffset
  int32_t shade = 0;  // 0 ... 255
};

// The node of a ray that meets no wall.
inline constexpr TunnelNode kTunnelMissNode{128.0f, 128.0f, 128.0f, 128.0f, 0};

struct Tunnel {
  int32_t cols = 0;
  int32_t rows = 0;
  std::vector<TunnelNode> nodes;  // row-major; node (c, r) belongs to pixel (8c, 8r)
  float uOffset = 0.0f;
  float vOffset = 0.0f;
  Vec3 position;
  Vec3 angles;  // degrees
  Matrix4 rotation;

  // Scratch of draw: per node column, the 16.16 values at the top of the current block row and
  // the steps down its left edge. Sized once; no allocation per frame.
  using ColumnEdge = TunnelColumnEdge;
  std::vector<ColumnEdge> columnEdges;
  // Scratch of castNodesAvx2: eight rays' node fields, the hit point for the double
  // arctangent, and which of them missed or have their row settled, one bit per ray.
  struct alignas(32) RayGroup {
    float u[8], v[8], u2[8], v2[8];
    int32_t shade[8];
    float hx[8], hy[8];
    int32_t missed, sure;
  };
  std::vector<RayGroup> rayGroups;
  // A column's 16.16 start at `top` and its step per row towards `bottom`; where the build has
  // SSE2, the four coordinates are converted in one register (the same words).
  static ColumnEdge columnEdge(const TunnelNode& top, const TunnelNode& bottom);
  static ColumnEdge columnEdgeReference(const TunnelNode& top, const TunnelNode& bottom);

  void init(int32_t width, int32_t height);
  void setView(float px, float py, float pz, float ax, float ay, float az);
  TunnelNode castRay(int32_t x, int32_t y) const;
  // The node of a ray that met the wall at parameter t, at (hx, hy, hz).
  TunnelNode nodeFromHit(float t, float hx, float hy, float hz) const;
  // The texture row of a hit at (hx, hy): its angle around the axis, 511 over half a turn.
  static float rowOfHit(float hx, float hy);
  // Every node's ray into `nodes`, the values castRay gives: where the build has SSE2, the
  // rays' float steps go four to a register (the arctangent stays one at a time).
  void castNodes();
  void castNodesReference();
#if ORVANTA_X86_VECTORS
  void castNodesSse2();
#endif
#if ORVANTA_X86_AVX2
  // Only when cpu::hasAvx2().
  void castNodesAvx2();
  // rowOfHit of `count` hits, eight at a time: a float arctangent decides each row that lies
  // clear of a whole number, rowOfHit the others. Only when cpu::hasAvx2().
  static void rowsOfHitsAvx2(const float* hx, const float* hy, float* rows, size_t count);
#endif
  // Casts every node, then fills every block. Fills nothing unless the three textures are
  // 256 x 256 and the target holds the whole grid. True when the blocks covered every pixel
  // of the target. Slopes made from this height map are read in place of its texels.
  bool draw(Image& target, const Image& base, const Image& heightMap, const Image& envMap,
            const HeightSlopes* slopes = nullptr);
  // Fills the 8 x 8 pixels whose top-left corner is (x, y). Skipped when a texture is not
  // 256 x 256 or the block does not lie inside the target.
  void drawBlock(Image& target, const Image& base, const Image& heightMap, const Image& envMap, int32_t x, int32_t y,
                 const TunnelNode& topLeft, const TunnelNode& topRight, const TunnelNode& bottomLeft,
                 const TunnelNode& bottomRight) const;
};

}  // namespace orvanta
