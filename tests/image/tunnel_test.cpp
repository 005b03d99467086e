#include "image/tunnel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "image/image.h"
#include "image/tunnel_block.h"

namespace orvanta {
namespace {

constexpr uint32_t kSentinel = 0x00123456u;

// The node for screen point (x, y) of a tunnel looking along +z from `position`.
TunnelNode nodeFrom(float px, float py, float pz, int32_t x, int32_t y, float uOffset = 0.0f,
                    float vOffset = 0.0f) {
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  tunnel.setView(px, py, pz, 0.0f, 0.0f, 0.0f);
  tunnel.uOffset = uOffset;
  tunnel.vOffset = vOffset;
  return tunnel.castRay(x, y);
}

void expectMiss(const TunnelNode& node) {
  EXPECT_EQ(node.u, 128.0f);
  EXPECT_EQ(node.v, 128.0f);
  EXPECT_EQ(node.u2, 128.0f);
  EXPECT_EQ(node.v2, 128.0f);
  EXPECT_EQ(node.shade, 0);
}

struct Textures {
  Image base;
  Image height;
  Image env;

  Textures() {
    base.create(kTunnelTextureSize, kTunnelTextureSize);
    height.create(kTunnelTextureSize, kTunnelTextureSize);
    env.create(kTunnelTextureSize, kTunnelTextureSize);
  }
  ~Textures() {
    releasePixels(base);
    releasePixels(height);
    releasePixels(env);
  }
};

struct Frame {
  Image image;
  explicit Frame(int32_t width = kFrameWidth, int32_t height = kFrameHeight) {
    image.create(width, height);
    image.fill(kSentinel);
  }
  ~Frame() { releasePixels(image); }
  uint32_t at(int32_t x, int32_t y) const { return image.pixels[y * image.width + x]; }
};

TunnelNode flatNode(float u, float v, int32_t shade) { return TunnelNode{u, v, 0.0f, 0.0f, shade}; }

TEST(TunnelSetup, InitSizesTheGridAndResetsTheOffsetsAndRotation) {
  Tunnel tunnel;
  tunnel.uOffset = 3.0f;
  tunnel.rotation.setScale(2.0f, 2.0f, 2.0f);
  tunnel.init(320, 240);
  EXPECT_EQ(tunnel.cols, 41);
  EXPECT_EQ(tunnel.rows, 31);
  ASSERT_EQ(tunnel.nodes.size(), 1271u);
  EXPECT_EQ(tunnel.nodes[1270].u, 0.0f);
  EXPECT_EQ(tunnel.uOffset, 0.0f);
  EXPECT_EQ(tunnel.rotation.m[0][0], 1.0f);
}

TEST(TunnelRay, MissesGiveTheNeutralNode) {
  // From outside the cylinder, a ray in the y-z plane never reaches it (disc < 0).
  expectMiss(nodeFrom(1000.0f, 0.0f, 0.0f, 160, 0));
  // Along the axis: a = 0, no finite root.
  expectMiss(nodeFrom(0.0f, 0.0f, -256.0f, 160, 120));
  // Overflowing coefficients give NaN roots.
  expectMiss(nodeFrom(1e30f, 0.0f, 0.0f, 0, 0));
}

TEST(TunnelRay, HitBehindTheViewerGivesCoordinatesAndShade) {
  // Direction (-96, 0, 256): the root behind the viewer lies on the +x side, angle 0.
  // t = -128 * |d| / 96 = -364.54, hz = -256 + t * 256 / |d| = -597.33.
  const TunnelNode node = nodeFrom(0.0f, 0.0f, -256.0f, 64, 120, 10.25f, -3.5f);
  EXPECT_EQ(node.u, -597.0f);  // truncated towards zero
  EXPECT_EQ(node.v, 0.0f);
  EXPECT_EQ(node.u2, -298.5f - 10.25f);
  EXPECT_EQ(node.v2, 0.0f + 3.5f);
  EXPECT_EQ(node.shade, 163);  // 255 - 364.54 / 4 = 163.86
}

TEST(TunnelRay, VRunsOverHalfATurnAndMirrors) {
  // Direction (96, 0, 256): the hit lies on the -x side, angle +-pi; 511.015 truncates to 511.
  EXPECT_EQ(nodeFrom(0.0f, 0.0f, 0.0f, 256, 120).v, 511.0f);
  EXPECT_EQ(nodeFrom(0.0f, -0.0f, 0.0f, 256, 120).v, 511.0f);  // -pi
  // Just off the axis: |angle| = 3.14151, 511.0024 either side.
  EXPECT_EQ(nodeFrom(0.0f, 0.01f, 0.0f, 256, 120).v, 511.0f);
  EXPECT_EQ(nodeFrom(0.0f, -0.01f, 0.0f, 256, 120).v, 511.0f);
  // |angle| = 3.14120: 510.95.
  EXPECT_EQ(nodeFrom(0.0f, 0.05f, 0.0f, 256, 120).v, 510.0f);
  EXPECT_EQ(nodeFrom(0.0f, -0.05f, 0.0f, 256, 120).v, 510.0f);
  // Straight down (-y side from a ray going up): angle -pi/2, 255.5 -> 255.
  EXPECT_EQ(nodeFrom(0.0f, 0.0f, 0.0f, 160, 152).v, 255.0f);
}

TEST(TunnelRay, ShadeFallsWithDistance) {
  // Viewpoints chosen so that the root comes out at exactly t = -400 and t = -1020.
  EXPECT_EQ(nodeFrom(0.0f, 12.449377059936523f, 0.0f, 160, 216).shade, 155);  // 255 - 100
  EXPECT_EQ(nodeFrom(0.0f, 14.039918899536133f, 0.0f, 160, 156).shade, 0);    // 255 - 255
  // Ray (0, 32, 256) from the axis: t = -1031.97, beyond the limit.
  EXPECT_EQ(nodeFrom(0.0f, 0.0f, 0.0f, 160, 152).shade, 0);
  // Ray (0, 36, 256) from the axis: t = -919.18, 255 - 229.79 = 25.21.
  EXPECT_EQ(nodeFrom(0.0f, 0.0f, 0.0f, 160, 156).shade, 25);
}

TEST(TunnelRay, HugeHitCoordinatesTruncateLikeTheMachine) {
  // A ray almost along the axis meets the wall 32768 units back, at z = 2999967232: beyond int32.
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  tunnel.setView(0.0f, 0.0f, 3e9f, 0.0f, 0.0f, 0.0f);
  const TunnelNode node = tunnel.castRay(161, 120);
  EXPECT_EQ(node.u, -2147483648.0f);
  EXPECT_EQ(node.shade, 0);
}

TEST(TunnelBlock, UniformBaseIsScaledByTheShade) {
  Textures textures;
  textures.base.fill(0x80FF8040u);
  Frame frame;
  Tunnel tunnel;
  const TunnelNode node = flatNode(17.0f, 300.0f, 255);
  tunnel.drawBlock(frame.image, textures.base, textures.height, textures.env, 8, 16, node, node, node,
                   node);
  for (int32_t y = 16; y < 24; ++y) {
    for (int32_t x = 8; x < 16; ++x) ASSERT_EQ(frame.at(x, y), 0x80FE7F3Fu) << x << "," << y;
  }
  EXPECT_EQ(frame.at(7, 16), kSentinel);
  EXPECT_EQ(frame.at(16, 16), kSentinel);
  EXPECT_EQ(frame.at(8, 15), kSentinel);
  EXPECT_EQ(frame.at(8, 24), kSentinel);
}

TEST(TunnelBlock, ShadeIsInterpolatedDownTheRows) {
  Textures textures;
  textures.base.fill(0x00FFFFFFu);
  Frame frame;
  Tunnel tunnel;
  tunnel.drawBlock(frame.image, textures.base, textures.height, textures.env, 0, 0, flatNode(0, 0, 255),
                   flatNode(0, 0, 255), flatNode(0, 0, 0), flatNode(0, 0, 0));
  for (int32_t y = 0; y < 8; ++y) {
    const uint32_t k = 255u * (8u - y) / 8u;
    const uint32_t c = (255u * k) >> 8;
    EXPECT_EQ(frame.at(3, y), (c << 16) | (c << 8) | c) << y;
  }
}

TEST(TunnelBlock, TexelsFollowTheNodesAndWrap) {
  Textures textures;
  // The alpha byte, which the shade leaves alone, tells which base texel was read: its column.
  for (int32_t i = 0; i < 65536; ++i) textures.base.pixels[i] = static_cast<uint32_t>(i & 0xFF) << 24;
  Frame frame;
  Tunnel tunnel;
  // One column per pixel, starting at 252: 252 ... 255, then 0 ... 3.
  tunnel.drawBlock(frame.image, textures.base, textures.height, textures.env, 0, 0, flatNode(252, 5, 255),
                   flatNode(260, 5, 255), flatNode(252, 13, 255), flatNode(260, 13, 255));
  for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(frame.at(x, 5) >> 24, (252u + x) & 0xFFu) << x;

  // Now its row.
  for (int32_t i = 0; i < 65536; ++i) textures.base.pixels[i] = static_cast<uint32_t>(i >> 8) << 24;
  tunnel.drawBlock(frame.image, textures.base, textures.height, textures.env, 0, 0, flatNode(0, -3, 255),
                   flatNode(0, -3, 255), flatNode(0, 5, 255), flatNode(0, 5, 255));
  for (int32_t y = 0; y < 8; ++y) EXPECT_EQ(frame.at(2, y) >> 24, static_cast<uint32_t>(y - 3) & 0xFFu) << y;
}

TEST(TunnelBlock, HeightSlopeDisplacesTheEnvironmentAndWrapsAtTheEnd) {
  Textures textures;
  // Every texel at index 65535: its right neighbour wraps to 0, the one below to 255.
  textures.height.pixels[65535] = 10u << 16;
  textures.height.pixels[0] = 50u << 16;
  textures.height.pixels[255] = 100u << 16;
  // Second layer at (20, 30) moves by (50 - 10, 100 - 10) to (60, 120).
  textures.env.pixels[120 * 256 + 60] = 0xAB000000u;
  Frame frame;
  Tunnel tunnel;
  const TunnelNode node{255.0f, 255.0f, 20.0f, 30.0f, 255};
  tunnel.drawBlock(frame.image, textures.base, textures.height, textures.env, 0, 0, node, node, node, node);
  EXPECT_EQ(frame.at(0, 0), 0xAB000000u);
  EXPECT_EQ(frame.at(7, 7), 0xAB000000u);
}

TEST(TunnelBlock, SumSaturatesPerByte) {
  Textures textures;
  textures.base.fill(0xF0801020u);
  textures.env.fill(0x20900810u);
  Frame frame;
  Tunnel tunnel;
  const TunnelNode node = flatNode(0, 0, 128);
  tunnel.drawBlock(frame.image, textures.base, textures.height, textures.env, 0, 0, node, node, node, node);
  // Sum 0xFFFF1830; red, green, blue halved (k = 128), alpha kept.
  EXPECT_EQ(frame.at(4, 4), 0xFF7F0C18u);
}

TEST(TunnelDraw, CoversTheFrameAndDarkensTheMissedCentre) {
  Textures textures;
  textures.base.fill(0xFFFFFFFFu);
  Frame frame;
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  tunnel.setView(0.0f, 0.0f, -256.0f, 0.0f, 0.0f, 0.0f);
  tunnel.draw(frame.image, textures.base, textures.height, textures.env);
  for (size_t i = 0; i < frame.image.pixelCount(); ++i) ASSERT_EQ(frame.image.pixels[i] >> 24, 0xFFu) << i;
  // The centre node looks along the axis: shade 0 there, and the corners are lit.
  expectMiss(tunnel.nodes[15 * 41 + 20]);
  EXPECT_EQ(frame.at(160, 120), 0xFF000000u);
  EXPECT_NE(frame.at(0, 0), 0xFF000000u);
  EXPECT_NE(frame.at(319, 239), 0xFF000000u);
}

TEST(TunnelDraw, WrongSizedTexturesOrSmallTargetsDrawNothing) {
  Textures textures;
  textures.base.fill(0xFFFFFFFFu);
  Image small;
  small.create(128, 128);
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  tunnel.setView(0.0f, 0.0f, -256.0f, 10.0f, 0.0f, 0.0f);

  Frame frame;
  tunnel.draw(frame.image, textures.base, small, textures.env);
  tunnel.draw(frame.image, textures.base, textures.height, Image{});
  tunnel.drawBlock(frame.image, small, textures.height, textures.env, 0, 0, TunnelNode{}, TunnelNode{},
                   TunnelNode{}, TunnelNode{});
  for (size_t i = 0; i < frame.image.pixelCount(); ++i) ASSERT_EQ(frame.image.pixels[i], kSentinel) << i;

  Frame narrow(312, 240);
  tunnel.draw(narrow.image, textures.base, textures.height, textures.env);
  tunnel.drawBlock(narrow.image, textures.base, textures.height, textures.env, 305, 0, TunnelNode{},
                   TunnelNode{}, TunnelNode{}, TunnelNode{});
  tunnel.drawBlock(narrow.image, textures.base, textures.height, textures.env, -1, 0, TunnelNode{},
                   TunnelNode{}, TunnelNode{}, TunnelNode{});
  for (size_t i = 0; i < narrow.image.pixelCount(); ++i) ASSERT_EQ(narrow.image.pixels[i], kSentinel) << i;
  releasePixels(small);
}

TEST(TunnelBlockPaths, FastPathsEqualTheByteFormulas) {
  std::mt19937 random(20240611u);
  std::vector<uint32_t> base(65536);
  std::vector<uint32_t> height(65536);
  std::vector<uint32_t> env(65536);
  for (int32_t i = 0; i < 65536; ++i) {
    base[i] = random();
    height[i] = random();
    env[i] = random();
  }
  const TunnelTextures textures{base.data(), height.data(), env.data()};
  auto randomFixed = [&random]() {
    return TunnelFixed{static_cast<int32_t>(random()), static_cast<int32_t>(random()),
                       static_cast<int32_t>(random()), static_cast<int32_t>(random()),
                       static_cast<int32_t>(random())};
  };
  constexpr ptrdiff_t kStride = 11;
  std::vector<uint32_t> expected(8 * kStride);
  std::vector<uint32_t> actual(8 * kStride);
  for (int run = 0; run < 20000; ++run) {
    TunnelEdges edges{randomFixed(), randomFixed(), randomFixed(), randomFixed()};
    if (run % 2 == 0) {
      // Shades as draw makes them: 0 ... 255 in the integer part, steps of whole eighths.
      edges.left.s = static_cast<int32_t>(random() % 256) << 16;
      edges.right.s = static_cast<int32_t>(random() % 256) << 16;
      edges.leftStep.s = 0;
      edges.rightStep.s = 0;
    }
    drawTunnelBlockPixelsReference(textures, edges, expected.data(), kStride);
    drawTunnelBlockPixelsScalar(textures, edges, actual.data(), kStride);
    ASSERT_EQ(actual, expected) << "scalar, run " << run;
    drawTunnelBlockPixels(textures, edges, actual.data(), kStride);
    ASSERT_EQ(actual, expected) << "dispatched, run " << run;
    if (tunnelBlockHasAvx2()) {
      drawTunnelBlockPixelsAvx2(textures, edges, actual.data(), kStride);
      ASSERT_EQ(actual, expected) << "avx2, run " << run;
    }
  }
}

}  // namespace
}  // namespace orvanta
