#include "image/tunnel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <cstdint>
#include <random>
#include <vector>

#include "image/test_pictures.h"
#include "image/tunnel_block.h"

namespace orvanta {
namespace {

using testing::grey;
using testing::OwnedImage;
using Words = std::vector<uint32_t>;

constexpr uint32_t kSentinel = 0x00123456u;

// The node for screen point (x, y) of a tunnel looking along +z from (px, py, pz).
TunnelNode nodeFrom(float px, float py, float pz, int32_t x, int32_t y, float uOffset = 0.0f, float vOffset = 0.0f) {
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  tunnel.setView(px, py, pz, 0.0f, 0.0f, 0.0f);
  tunnel.uOffset = uOffset;
  tunnel.vOffset = vOffset;
  return tunnel.castRay(x, y);
}

std::vector<float> fields(const TunnelNode& node) { return {node.u, node.v, node.u2, node.v2, float(node.shade)}; }
const std::vector<float> kMiss = {128.0f, 128.0f, 128.0f, 128.0f, 0.0f};

TEST(TunnelRay, InitResetsAndMissesGiveTheNeutralNode) {
  Tunnel tunnel;
  tunnel.uOffset = 3.0f;
  tunnel.rotation.setScale(2.0f, 2.0f, 2.0f);
  tunnel.init(320, 240);
  EXPECT_EQ(tunnel.cols, 41);
  EXPECT_EQ(tunnel.rows, 31);
  EXPECT_EQ(tunnel.nodes.size(), 1271u);
  EXPECT_EQ(tunnel.uOffset, 0.0f);
  EXPECT_EQ(tunnel.rotation.m[0][0], 1.0f);
  EXPECT_EQ(fields(nodeFrom(1000.0f, 0.0f, 0.0f, 160, 0)), kMiss);    // outside, in the y-z plane: disc < 0
  EXPECT_EQ(fields(nodeFrom(0.0f, 0.0f, -256.0f, 160, 120)), kMiss);  // along the axis: a = 0
  EXPECT_EQ(fields(nodeFrom(1e30f, 0.0f, 0.0f, 0, 0)), kMiss);        // overflowing coefficients: NaN roots
}

TEST(TunnelRay, WorkedHitsAngleAndShade) {
  // Direction (-96, 0, 256): the root behind the viewer lies on the +x side, angle 0.
  // t = -128 |d| / 96 = -364.54, hz = -256 + t * 256 / |d| = -597.33, shade 255 - 364.54 / 4.
  EXPECT_EQ(fields(nodeFrom(0.0f, 0.0f, -256.0f, 64, 120, 10.25f, -3.5f)),
            (std::vector<float>{-597.0f, 0.0f, -298.5f - 10.25f, 3.5f, 163.0f}));
  // v runs over half a turn and mirrors: the -x side is angle +-pi, 511.015 -> 511; just off
  // the axis |angle| = 3.14151 gives 511.0024, and 3.14120 gives 510.95.
  for (const auto& [y, v] : std::vector<std::pair<float, float>>{
           {0.0f, 511.0f}, {-0.0f, 511.0f}, {0.01f, 511.0f}, {-0.01f, 511.0f}, {0.05f, 510.0f}, {-0.05f, 510.0f}}) {
    EXPECT_EQ(nodeFrom(0.0f, y, 0.0f, 256, 120).v, v) << y;
  }
  EXPECT_EQ(nodeFrom(0.0f, 0.0f, 0.0f, 160, 152).v, 255.0f);  // straight down: -pi/2, 255.5
  // Viewpoints where the root is exactly t = -400 and t = -1020; then t = -1031.97 (beyond
  // the limit) and t = -919.18 (255 - 229.79).
  EXPECT_EQ(nodeFrom(0.0f, 12.449377059936523f, 0.0f, 160, 216).shade, 155);
  EXPECT_EQ(nodeFrom(0.0f, 14.039918899536133f, 0.0f, 160, 156).shade, 0);
  EXPECT_EQ(nodeFrom(0.0f, 0.0f, 0.0f, 160, 152).shade, 0);
  EXPECT_EQ(nodeFrom(0.0f, 0.0f, 0.0f, 160, 156).shade, 25);
  // Almost along the axis the wall is met at z = 2999967232: beyond int32, truncated like x86.
  const TunnelNode far = nodeFrom(0.0f, 0.0f, 3e9f, 161, 120);
  EXPECT_EQ(far.u, -2147483648.0f);
  EXPECT_EQ(far.shade, 0);
}

// Every node cast by the vector version (where the build has one) against castRay, bit for
// bit, over random views: inside and outside the cylinder, far along the axis, tilted so that
// rays run along it, and huge or non-finite positions.
TEST(TunnelRay, CastingAllNodesGivesCastRaysValues) {
  std::mt19937 random(20261207u);
  auto within = [&random](float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); };
  const float special[] = {0.0f, -0.0f, 127.99f, 128.0f, 1e30f, -3e9f, std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
  const struct {
    const char* name;
    bool available;
    void (Tunnel::*cast)();
  } paths[] = {
      {"dispatched", true, &Tunnel::castNodes},
#if ORVANTA_X86_VECTORS
      {"sse2", true, &Tunnel::castNodesSse2},
#endif
#if ORVANTA_X86_AVX2
      {"avx2", cpu::hasAvx2(), &Tunnel::castNodesAvx2},
#endif
  };
  Tunnel tunnel, reference;
  for (int view = 0; view < 3000; ++view) {
    const int width = view % 7 == 0 ? 8 * static_cast<int>(random() % 12) + static_cast<int>(random() % 8) : 320;
    const int height = view % 7 == 0 ? static_cast<int>(random() % 100) : 240;
    for (Tunnel* t : {&tunnel, &reference}) t->init(width, height);
    float position[3];
    for (float& value : position) value = view % 5 == 4 ? special[random() % 8] : within(-200.0f, 200.0f);
    if (view % 3 == 0) position[2] = within(-1e6f, 1e6f);
    const float angles[3] = {view % 4 == 0 ? 0.0f : within(-90.0f, 90.0f), within(-90.0f, 90.0f),
                             within(-180.0f, 180.0f)};
    const float uOffset = within(-500.0f, 500.0f), vOffset = within(-500.0f, 500.0f);
    for (Tunnel* t : {&tunnel, &reference}) {
      t->setView(position[0], position[1], position[2], angles[0], angles[1], angles[2]);
      t->uOffset = uOffset;
      t->vOffset = vOffset;
    }
    reference.castNodesReference();
    for (const auto& path : paths) {
      if (!path.available) continue;
      std::fill(tunnel.nodes.begin(), tunnel.nodes.end(), TunnelNode{1.0f, 2.0f, 3.0f, 4.0f, 5});
      (tunnel.*path.cast)();
      ASSERT_EQ(tunnel.nodes.size(), reference.nodes.size());
      for (size_t i = 0; i < tunnel.nodes.size(); ++i) {
        ASSERT_EQ(std::memcmp(&tunnel.nodes[i], &reference.nodes[i], sizeof(TunnelNode)), 0)
            << path.name << ", view " << view << ", node " << i << ": " << tunnel.nodes[i].v << " vs "
            << reference.nodes[i].v;
      }
    }
  }
}

// The rows the float arctangent settles against the double one: hits on every row's border
// (angle k x 3.1415 / 511, just either side of it, in every quadrant), random hits of every
// size, and zeros, tiny, huge and non-finite coordinates.
TEST(TunnelRay, RowsOfHitsEqualTheDoubleArctangent) {
#if ORVANTA_X86_AVX2
  if (!cpu::hasAvx2()) GTEST_SKIP() << "no AVX2";
  std::mt19937 random(5u);
  auto within = [&random](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
  const float special[] = {0.0f, -0.0f, 1e-45f, -1e-40f, 1e-30f, 3e38f, -3e38f, std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(), 1.0f, -128.0f};
  std::vector<float> hx, hy;
  for (int k = 0; k <= 512; ++k) {
    for (int i = 0; i < 200; ++i) {
      const double angle = k * 3.1415 / 511.0 + (i % 4 == 0 ? 0.0 : within(-2e-5, 2e-5));
      const double radius = std::exp(within(-20.0, 20.0));
      const double sign = i % 2 == 0 ? 1.0 : -1.0;
      hx.push_back(static_cast<float>(radius * std::cos(angle)));
      hy.push_back(static_cast<float>(sign * radius * std::sin(angle)));
    }
  }
  for (int i = 0; i < 400000; ++i) {
    hx.push_back(static_cast<float>(within(-1.0, 1.0) * std::exp(within(-30.0, 30.0))));
    hy.push_back(static_cast<float>(within(-1.0, 1.0) * std::exp(within(-30.0, 30.0))));
  }
  for (const float x : special) {
    for (const float y : special) hx.push_back(x), hy.push_back(y);
  }
  std::vector<float> rows(hx.size());
  Tunnel::rowsOfHitsAvx2(hx.data(), hy.data(), rows.data(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const float expected = Tunnel::rowOfHit(hx[i], hy[i]);
    ASSERT_EQ(std::memcmp(&rows[i], &expected, sizeof(float)), 0) << hx[i] << ", " << hy[i] << ": " << rows[i];
  }
#else
  GTEST_SKIP() << "no AVX2 version in this build";
#endif
}

TEST(TunnelRay, ColumnEdgesEqualTheScalarConversions) {
  std::mt19937 random(7u);
  const float special[] = {0.0f, -0.0f, 32767.99f, 32768.0f, -32768.0f, -32768.01f, 1e30f, -1e30f,
                           std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
  auto value = [&]() {
    switch (random() % 3) {
      case 0: return special[random() % 10];
      case 1: return std::uniform_real_distribution<float>(-40000.0f, 40000.0f)(random);
      default: return static_cast<float>(static_cast<int32_t>(random() % 2048) - 1024) * 0.5f;
    }
  };
  for (int i = 0; i < 100000; ++i) {
    const TunnelNode top{value(), value(), value(), value(), static_cast<int32_t>(random() % 256)};
    const TunnelNode bottom{value(), value(), value(), value(), static_cast<int32_t>(random() % 256)};
    const Tunnel::ColumnEdge fast = Tunnel::columnEdge(top, bottom), plain = Tunnel::columnEdgeReference(top, bottom);
    ASSERT_EQ(std::memcmp(&fast, &plain, sizeof(fast)), 0) << i << ": " << top.u << " " << bottom.u;
  }
}

struct Textures {
  OwnedImage base{kTunnelTextureSize, kTunnelTextureSize}, height{kTunnelTextureSize, kTunnelTextureSize},
      env{kTunnelTextureSize, kTunnelTextureSize};
};

TunnelNode flat(float u, float v, int32_t shade) { return TunnelNode{u, v, 0.0f, 0.0f, shade}; }

// One block at (x, y) of a sentinel-filled frame, its corners given top-left first.
Words block(Textures& t, OwnedImage& frame, int32_t x, int32_t y, const TunnelNode& a, const TunnelNode& b,
            const TunnelNode& c, const TunnelNode& d) {
  frame.image.fill(kSentinel);
  Tunnel().drawBlock(frame.image, t.base.image, t.height.image, t.env.image, x, y, a, b, c, d);
  return frame.words();
}

TEST(TunnelBlock, WorkedShadesTexelsDisplacementAndSaturation) {
  Textures t;
  OwnedImage frame(kFrameWidth, kFrameHeight);
  t.base.image.fill(0x80FF8040u);
  const TunnelNode lit = flat(17.0f, 300.0f, 255);
  Words expected(kFrameWidth * kFrameHeight, kSentinel);  // only the 8 x 8 pixels at (8, 16)
  for (int32_t y = 16; y < 24; ++y) std::fill_n(expected.begin() + y * kFrameWidth + 8, 8, 0x80FE7F3Fu);
  EXPECT_EQ(block(t, frame, 8, 16, lit, lit, lit, lit), expected);  // colour scaled by the shade, alpha kept

  t.base.image.fill(0x00FFFFFFu);  // shade 255 at the top, 0 at the bottom: k = 255 (8 - y) / 8
  block(t, frame, 0, 0, flat(0, 0, 255), flat(0, 0, 255), flat(0, 0, 0), flat(0, 0, 0));
  for (uint32_t y = 0; y < 8; ++y)
    EXPECT_EQ(frame.at(3, y), grey(((255u * (255u * (8u - y) / 8u)) >> 8)) & 0xFFFFFFu) << y;

  // The alpha byte (left alone by the shade) tells which base texel was read: first its
  // column, one per pixel from 252 on, wrapping; then its row, from -3 on.
  for (int32_t i = 0; i < 65536; ++i) t.base.image.pixels[i] = static_cast<uint32_t>(i & 0xFF) << 24;
  block(t, frame, 0, 0, flat(252, 5, 255), flat(260, 5, 255), flat(252, 13, 255), flat(260, 13, 255));
  for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(frame.at(x, 5) >> 24, (252u + x) & 0xFFu) << x;
  for (int32_t i = 0; i < 65536; ++i) t.base.image.pixels[i] = static_cast<uint32_t>(i >> 8) << 24;
  block(t, frame, 0, 0, flat(0, -3, 255), flat(0, -3, 255), flat(0, 5, 255), flat(0, 5, 255));
  for (uint32_t y = 0; y < 8; ++y) EXPECT_EQ(frame.at(2, y) >> 24, (y - 3) & 0xFFu) << y;

  // Height slope at texel 65535: its right neighbour wraps to 0, the one below to 255, so the
  // second layer at (20, 30) moves by (50 - 10, 100 - 10).
  t.base.image.clear();
  t.height.at(255, 255) = 10u << 16, t.height.at(0, 0) = 50u << 16, t.height.at(255, 0) = 100u << 16;
  t.env.at(60, 120) = 0xAB000000u;
  const TunnelNode bumped{255.0f, 255.0f, 20.0f, 30.0f, 255};
  block(t, frame, 0, 0, bumped, bumped, bumped, bumped);
  EXPECT_EQ(frame.at(0, 0), 0xAB000000u);
  EXPECT_EQ(frame.at(7, 7), 0xAB000000u);

  t.base.image.fill(0xF0801020u);  // sum 0xFFFF1830 per byte, saturated; colour halved, alpha kept
  t.env.image.fill(0x20900810u);
  const TunnelNode half = flat(0, 0, 128);
  block(t, frame, 0, 0, half, half, half, half);
  EXPECT_EQ(frame.at(4, 4), 0xFF7F0C18u);
}

TEST(TunnelDraw, CoversTheFrameDarkensTheMissedCentreAndSkipsWrongSizes) {
  Textures t;
  t.base.image.fill(0xFFFFFFFFu);
  OwnedImage frame(kFrameWidth, kFrameHeight, kSentinel), narrow(312, 240, kSentinel), small(128, 128);
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  tunnel.setView(0.0f, 0.0f, -256.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_FALSE(tunnel.draw(frame.image, t.base.image, small.image, t.env.image));
  EXPECT_FALSE(tunnel.draw(frame.image, t.base.image, t.height.image, Image{}));
  tunnel.drawBlock(frame.image, small.image, t.height.image, t.env.image, 0, 0, {}, {}, {}, {});
  EXPECT_FALSE(tunnel.draw(narrow.image, t.base.image, t.height.image, t.env.image));  // the grid does not fit
  tunnel.drawBlock(narrow.image, t.base.image, t.height.image, t.env.image, 305, 0, {}, {}, {}, {});
  tunnel.drawBlock(narrow.image, t.base.image, t.height.image, t.env.image, -1, 0, {}, {}, {}, {});
  EXPECT_EQ(frame.words(), Words(320 * 240, kSentinel));
  EXPECT_EQ(narrow.words(), Words(312 * 240, kSentinel));

  EXPECT_TRUE(tunnel.draw(frame.image, t.base.image, t.height.image, t.env.image));
  OwnedImage tall(kFrameWidth, kFrameHeight + 8);  // the grid covers its top 240 rows only
  EXPECT_FALSE(tunnel.draw(tall.image, t.base.image, t.height.image, t.env.image));
  for (size_t i = 0; i < frame.image.pixelCount(); ++i) ASSERT_EQ(frame.image.pixels[i] >> 24, 0xFFu) << i;
  EXPECT_EQ(fields(tunnel.nodes[15 * 41 + 20]), kMiss);  // the centre node looks along the axis
  EXPECT_EQ(frame.at(160, 120), 0xFF000000u);
  EXPECT_NE(frame.at(0, 0), 0xFF000000u);
  EXPECT_NE(frame.at(319, 239), 0xFF000000u);
}

TEST(TunnelDraw, SlopesOfTheHeightMapGiveTheSameFrameAndThoseOfAnotherAreIgnored) {
  Textures t;
  testing::fillRandom(t.base.image, 1);
  testing::fillRandom(t.height.image, 2);
  testing::fillRandom(t.env.image, 3);
  OwnedImage other(kTunnelTextureSize, kTunnelTextureSize);  // flat: slopes of 0
  HeightSlopes own, others;
  own.build(t.height.image);
  others.build(other.image);
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  tunnel.setView(3.0f, -5.0f, -700.0f, 10.0f, -20.0f, 0.0f);
  tunnel.uOffset = 31.5f;
  tunnel.vOffset = -7.25f;
  OwnedImage frame(kFrameWidth, kFrameHeight);
  ASSERT_TRUE(tunnel.draw(frame.image, t.base.image, t.height.image, t.env.image));
  const Words fromTexels = frame.words();
  for (const HeightSlopes* slopes : {&own, &others}) {
    frame.image.clear();
    ASSERT_TRUE(tunnel.draw(frame.image, t.base.image, t.height.image, t.env.image, slopes));
    EXPECT_EQ(frame.words(), fromTexels) << (slopes == &own ? "own" : "another map's");
  }
}

// Rows of one to six blocks with random edges, shades both random and as draw makes them, rows
// of the output as wide as the blocks or wider; nothing is written around them.
TEST(TunnelBlockPaths, FastPathsEqualTheByteFormulas) {
  std::mt19937 random(20240611u);
  std::vector<uint32_t> base(65536), env(65536);
  OwnedImage height(kTunnelTextureSize, kTunnelTextureSize);
  for (int32_t i = 0; i < 65536; ++i) base[i] = random(), height.image.pixels[i] = random(), env[i] = random();
  HeightSlopes slopes;
  slopes.build(height.image);
  // The vector versions from the height texels and from their slopes; the reference always
  // reads the texels.
  const TunnelTextures fromTexels{base.data(), height.image.pixels, env.data()};
  const TunnelTextures fromSlopes{base.data(), height.image.pixels, env.data(), slopes.wordsFor(height.image)};
  ASSERT_NE(fromSlopes.slopes, nullptr);
  auto randomFixed = [&random]() {
    return TunnelFixed{int32_t(random()), int32_t(random()), int32_t(random()), int32_t(random()), int32_t(random())};
  };
  const struct {
    const char* name;
    bool available;
    void (*draw)(const TunnelTextures&, const TunnelColumnEdge*, int32_t, uint32_t*, ptrdiff_t);
  } paths[] = {
      {"dispatched", true, drawTunnelBlocks},
#if ORVANTA_X86_VECTORS
      {"sse2", true, drawTunnelBlocksSse2},
      {"avx2 gathers", cpu::hasAvx2(),
       [](const TunnelTextures& t, const TunnelColumnEdge* e, int32_t b, uint32_t* o, ptrdiff_t s) {
         drawTunnelBlocksAvx2(t, e, b, o, s, cpu::LaneLoads::kGather);
       }},
      {"avx2 single loads", cpu::hasAvx2(),
       [](const TunnelTextures& t, const TunnelColumnEdge* e, int32_t b, uint32_t* o, ptrdiff_t s) {
         drawTunnelBlocksAvx2(t, e, b, o, s, cpu::LaneLoads::kSingle);
       }},
#endif
  };
  for (int run = 0; run < 8000; ++run) {
    const int32_t blocks = 1 + run % 6;
    const ptrdiff_t stride = 8 * blocks + static_cast<ptrdiff_t>(random() % 3);
    std::vector<TunnelColumnEdge> edges(static_cast<size_t>(blocks) + 1);
    for (TunnelColumnEdge& edge : edges) {
      edge = {randomFixed(), randomFixed()};
      if (run % 2 == 0) {
        // Shades as draw makes them: 0 ... 255 in the integer part, steps of whole eighths.
        edge.start.s = static_cast<int32_t>(random() % 256) << 16;
        edge.step.s = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(random() % 511) - 255) << 16) >> 3;
      }
    }
    const size_t words = static_cast<size_t>(7 * stride + 8 * blocks + 2);
    std::vector<uint32_t> expected(words, kSentinel), actual(words);
    drawTunnelBlocksReference(fromTexels, edges.data(), blocks, expected.data() + 1, stride);
    for (const auto& path : paths) {
      if (!path.available) continue;
      for (const TunnelTextures* textures : {&fromTexels, &fromSlopes}) {
        std::fill(actual.begin(), actual.end(), kSentinel);
        path.draw(*textures, edges.data(), blocks, actual.data() + 1, stride);
        ASSERT_EQ(actual, expected) << path.name << ", run " << run << (textures == &fromSlopes ? ", slopes" : "");
      }
    }
  }
}

}  // namespace
}  // namespace orvanta
