// Triangle setup in 16.16 fixed point and the dispatch by texture-set flags.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/engine_test_support.h"

namespace orvanta {
namespace {

using testing::Frame;
using testing::positionTexel;
using testing::screenVertex;
using Words = std::vector<int32_t>;

struct SpanCall {
  TriangleEdge left, right;
  int32_t firstRow, rows;
  SpanSteps steps;
  Words edges() const { return {firstRow, rows, left.x, left.xStep, right.x, right.xStep}; }
  Words attributes() const {
    return {left.u,   left.uStep, left.v,         left.vStep, left.invDepth, left.invDepthStep,
            steps.du, steps.dv,   steps.dInvDepth};
  }
};

void record(void* calls, const TriangleEdge& l, const TriangleEdge& r, int32_t first, int32_t rows,
            const SpanSteps& s) {
  static_cast<std::vector<SpanCall>*>(calls)->push_back({l, r, first, rows, s});
}

std::vector<SpanCall> setUp(RenderVertex a, RenderVertex b, RenderVertex c, bool twoLayers = false) {
  std::vector<SpanCall> calls;
  setupTriangle(a, b, c, twoLayers, record, &calls);
  return calls;
}

TEST(ToFixed, TruncatesTowardZeroAndOverflowsToOneValue) {
  EXPECT_EQ(toFixed(1.5f), 0x18000);
  EXPECT_EQ(toFixed(-1.5f), -0x18000);
  EXPECT_EQ(toFixed(1.0f / 131072.0f), 0);  // half a unit
  EXPECT_EQ(toFixed(-1.0f / 131072.0f), 0);
  EXPECT_EQ(toFixed(32767.99f), 0x7FFFFD80);  // 32767.990234375 as a float
  EXPECT_EQ(toFixed(-32767.5f), -0x7FFF8000);
  for (float outside : {32768.0f, -32768.0f, 40000.0f, std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_EQ(toFixed(outside), kFixedOverflow) << outside;
  }
  // A vertex's pixel position is the ceiling of its fixed-point position.
  for (const auto& [screen, pixel] : std::vector<std::pair<float, int32_t>>{
           {10.0f, 10}, {10.5f, 11}, {-0.25f, 0}, {10.00001f, 10}, {10.0001f, 11}, {-3.0f, -3}, {-3.5f, -3}}) {
    RenderVertex a = screenVertex(screen, screen), b = screenVertex(20, 20), c = screenVertex(30, 5);
    std::vector<SpanCall> calls;
    setupTriangle(a, b, c, false, record, &calls);
    EXPECT_EQ(a.pixelX, pixel) << screen;
    EXPECT_EQ(a.pixelY, pixel) << screen;
  }
}

// a = (10, 10), b = (30, 20), c = (10, 40), depth 100, (u, v) = screen position.
TEST(TriangleSetup, WorkedExampleEdgesStepsAndPixels) {
  const auto calls =
      setUp(screenVertex(10, 10, 100, 10, 10), screenVertex(30, 20, 100, 30, 20), screenVertex(10, 40, 100, 10, 40));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].edges(), (Words{10, 10, 0xA0000, 0, 0xA0000, 0x20000}));
  EXPECT_EQ(calls[0].attributes(), (Words{0xA0000, 0, 0xA0000, 0x10000, 0x147AB86, 0, 0x10000, 0, 0}));
  EXPECT_EQ(calls[0].left.u2, 0);  // single layer: second layer not set up
  EXPECT_EQ(calls[1].edges(), (Words{20, 20, 0xA0000, 0, 0x1E0000, -0x10000}));
  EXPECT_EQ(calls[1].attributes(), (Words{0xA0000, 0, 0x140000, 0x10000, 0x147AB86, 0, 0x10000, 0, 0}));

  // Vertex order does not matter.
  const auto shuffled =
      setUp(screenVertex(10, 40, 100, 10, 40), screenVertex(30, 20, 100, 30, 20), screenVertex(10, 10, 100, 10, 10));
  ASSERT_EQ(shuffled.size(), 2u);
  EXPECT_EQ(shuffled[1].edges(), calls[1].edges());

  // Drawn: row r covers columns 10 .. end - 1 with texel (column, row) and depth 32767 / 100.
  Frame frame(64, 64);
  RenderVertex a = screenVertex(10, 10, 100, 10, 10), b = screenVertex(30, 20, 100, 30, 20),
               c = screenVertex(10, 40, 100, 10, 40);
  setupTexturedTriangle(frame.target(), frame.texture(64, positionTexel), a, b, c);
  for (int32_t row = 0; row < 64; ++row) {
    const int32_t end = row < 10 ? 10 : row < 20 ? 10 + 2 * (row - 10) : row < 40 ? 30 - (row - 20) : 10;
    for (int32_t column = 0; column < 64; ++column) {
      const bool drawn = column >= 10 && column < end;
      ASSERT_EQ(frame.pixel(column, row), drawn ? positionTexel(column, row) : 0u) << column << "," << row;
      ASSERT_EQ(frame.depth(column, row), drawn ? 0x147AB86 : 0) << column << "," << row;
    }
  }
}

TEST(TriangleSetup, MirroredTwoLayerAndPresteppedTriangles) {
  // The middle vertex on the left: the long edge is the right edge.
  const auto mirrored =
      setUp(screenVertex(30, 10, 100, 30, 10), screenVertex(10, 20, 100, 10, 20), screenVertex(30, 40, 100, 30, 40));
  ASSERT_EQ(mirrored.size(), 2u);
  EXPECT_EQ(mirrored[0].edges(), (Words{10, 10, 0x1E0000, -0x20000, 0x1E0000, 0}));
  EXPECT_EQ(mirrored[1].edges(), (Words{20, 20, 0xA0000, 0x10000, 0x1E0000, 0}));
  EXPECT_EQ(mirrored[0].steps.du, 0x10000);

  const auto two = setUp(screenVertex(10, 10, 100, 10, 10, 20, 5), screenVertex(30, 20, 100, 30, 20, 60, 10),
                         screenVertex(10, 40, 100, 10, 40, 20, 20), true);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ((Words{two[0].left.u2, two[0].left.u2Step, two[0].left.v2, two[0].left.v2Step, two[0].steps.du2,
                   two[0].steps.dv2, two[1].left.v2}),
            (Words{0x140000, 0, 0x50000, 0x8000, 0x20000, 0, 0xA0000}));

  // Top at y = 9.5: the first row is 10, half a row down both edges.
  const auto half = setUp(screenVertex(10, 9.5f, 100, 0, 0), screenVertex(30, 19.5f, 100, 0, 10),
                          screenVertex(10, 29.5f, 100, 0, 20));
  ASSERT_EQ(half.size(), 2u);
  EXPECT_EQ(half[0].edges(), (Words{10, 10, 0xA0000, 0, 0xB0000, 0x20000}));
  EXPECT_EQ(half[0].left.v, 0x8000);
  EXPECT_EQ(half[1].right.x, 0x1D0000);
  EXPECT_EQ(half[1].left.v, 0xA8000);
}

TEST(TriangleSetup, DegenerateAndFlatTriangles) {
  const struct {
    RenderVertex a, b, c;
    size_t calls;
  } cases[] = {
      {screenVertex(10, 9.9f), screenVertex(10.2f, 10.5f), screenVertex(10, 11.9f), 0},  // doubled area 0.4
      {screenVertex(0, 9.5f), screenVertex(100, 9.7f), screenVertex(50, 10.0f), 0},      // all on pixel row 10
      {screenVertex(10, 10), screenVertex(10.05f, 30), screenVertex(10, 50), 0},         // middle 0.05 off the edge
      {screenVertex(10, 10), screenVertex(10, 10), screenVertex(10, 10), 0},
      {screenVertex(10, 10), screenVertex(10.15f, 30), screenVertex(10, 50), 2},  // 0.15 is enough
      {screenVertex(10, 10), screenVertex(30, 10), screenVertex(20, 30), 1},      // flat top
      {screenVertex(20, 10), screenVertex(10, 30), screenVertex(30, 30), 1},      // flat bottom
      {screenVertex(10, 9.2f), screenVertex(30, 9.9f), screenVertex(20, 30), 1},  // top and middle share row 10
      {screenVertex(10, 9.2f), screenVertex(30, 10.1f), screenVertex(20, 30), 2},
  };
  for (const auto& c : cases) EXPECT_EQ(setUp(c.a, c.b, c.c).size(), c.calls) << c.b.screenX << "," << c.b.screenY;
  EXPECT_EQ(setUp(screenVertex(10, 10), screenVertex(30, 10), screenVertex(20, 30))[0].edges(),
            (Words{10, 20, 0xA0000, 0x8000, 0x1E0000, -0x8000}));
}

TEST(TriangleSetup, QuadCoversExactlyThePixelCentresInsideItOnce) {
  // Two translucent triangles over black: a pixel blended twice would be 0xBFBFBFBF.
  Frame frame(64, 64);
  const Image white = frame.flat(16, 0xFFFFFFFF);
  const float corners[4][2] = {{5.3f, 4.7f}, {50.6f, 8.2f}, {47.1f, 55.5f}, {3.9f, 41.25f}};
  RenderVertex p[4];
  for (int i = 0; i < 4; ++i) p[i] = screenVertex(corners[i][0], corners[i][1]);
  setupTexturedTriangleTranslucent(frame.target(), white, p[0], p[1], p[2]);
  setupTexturedTriangleTranslucent(frame.target(), white, p[0], p[2], p[3]);
  for (int32_t y = 0; y < 64; ++y) {
    for (int32_t x = 0; x < 64; ++x) {
      double nearest = 1e9;
      bool inside = true;
      for (int i = 0; i < 4; ++i) {
        const float* a = corners[i];
        const float* b = corners[(i + 1) % 4];
        const double distance =
            ((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0])) / std::hypot(b[0] - a[0], b[1] - a[1]);
        nearest = std::min(nearest, std::fabs(distance));
        inside = inside && distance > 0;
      }
      const uint32_t pixel = frame.pixel(x, y);
      ASSERT_TRUE(pixel == 0 || pixel == 0x7F7F7F7F) << x << "," << y;
      ASSERT_TRUE(nearest <= 0.01 || (pixel != 0) == inside) << x << "," << y;
    }
  }
  EXPECT_GT(frame.countDrawn(), 1500);
}

// (4, 3), (28, 8), (10, 27) in a 32 x 32 frame; (12, 12) is inside.
class Dispatch : public ::testing::Test {
 protected:
  Frame frame{32, 32};
  TextureSet set;
  Dispatch() {
    set.texture = frame.flat(16, 0x80402010);
    set.envMap = frame.flat(32, 0x01010101);
    set.extra = frame.flat(16, 0x00100000);
  }
  uint32_t drawAndLook(int32_t flags) {
    frame.clear();
    set.setFlags(flags);
    RenderVertex a = screenVertex(4, 3, 100, 1, 1, 1, 1), b = screenVertex(28, 8, 100, 2, 1, 2, 1),
                 c = screenVertex(10, 27, 100, 1, 2, 1, 2);
    drawTriangle(frame.target(), set, a, b, c);
    return frame.pixel(12, 12);
  }
};

TEST_F(Dispatch, FlagsChooseThePath) {
  const struct {
    int32_t flags;
    uint32_t pixel;
    bool writesDepth;
  } cases[] = {
      {0, 0u, false},
      {kTextured, 0x80402010u, true},
      {kTextured | kWireframe, 0x80402010u, true},  // filled only
      {kTextured | kTwoLayer, 0u, true},            // multiply: (0x80 * 1) >> 8 = 0
      {kTwoLayer | kAddLayers, 0x40201008u, true},  // average
      {kTextured | kTwoLayer | kBumpMap | kAddLayers, 0x81412111u, true},
      {kTwoLayer | kBumpMap | kAddLayers | kTranslucent, 0x41211109u, false},
      {kTextured | kTranslucent, 0x40201008u, false},
      {kTextured | kEnvLayer1 | kVertexUvLayer2, 0x80402010u, true},  // coordinate bits: no effect here
  };
  for (const auto& c : cases) {
    EXPECT_EQ(drawAndLook(c.flags), c.pixel) << c.flags;
    EXPECT_EQ(frame.depth(12, 12) != 0, c.writesDepth) << c.flags;
    EXPECT_EQ(frame.pixel(4, 3), 0u) << c.flags;  // no outline
  }
  // Wireframe alone: white edges through the corners, interior untouched, no depth.
  EXPECT_EQ(drawAndLook(kWireframe), 0u);
  EXPECT_EQ(frame.pixel(4, 3), 0xFFFFFFFFu);
  EXPECT_EQ(frame.pixel(28, 8), 0xFFFFFFFFu);
  EXPECT_EQ(frame.pixel(10, 27), 0xFFFFFFFFu);
  EXPECT_EQ(frame.depth(4, 3), 0);
  EXPECT_GT(frame.countDrawn(), 60);
}

TEST_F(Dispatch, SetsWithUnusableImagesDrawNothing) {
  const Image good = set.texture, envMap = set.envMap;
  Image missing = good, notSquare = good, tooSmall = good, tooLarge = good, notPowerOfTwo = good, wrongShift = good;
  missing.pixels = nullptr;
  notSquare.height = 8;
  tooSmall.width = tooSmall.height = 8, tooSmall.widthShift = 3, tooSmall.widthMask = 7;
  tooLarge.width = tooLarge.height = 2048, tooLarge.widthShift = 11, tooLarge.widthMask = 2047;  // never read
  notPowerOfTwo.width = notPowerOfTwo.height = 100, notPowerOfTwo.widthShift = 8, notPowerOfTwo.widthMask = 255;
  wrongShift.widthShift = 8, wrongShift.widthMask = 255;
  for (const Image& bad : {missing, notSquare, tooSmall, tooLarge, notPowerOfTwo, wrongShift}) {
    EXPECT_FALSE(textureDrawable(bad));
    set.texture = bad;
    EXPECT_EQ(drawAndLook(kTextured), 0u);
    set.texture = good;
    set.envMap = bad;  // read by the two-layer paths only
    EXPECT_EQ(drawAndLook(kTwoLayer | kAddLayers), 0u);
    EXPECT_EQ(drawAndLook(kTextured), 0x80402010u);
    set.envMap = envMap;
  }
  // The height map must have the texture's size, and is needed only with the bump map.
  set.extra.width = set.extra.height = 32;
  EXPECT_EQ(drawAndLook(kTwoLayer | kBumpMap | kAddLayers), 0u);
  set.extra = Image();
  EXPECT_EQ(drawAndLook(kTwoLayer | kBumpMap | kAddLayers), 0u);
  EXPECT_EQ(drawAndLook(kTwoLayer | kAddLayers), 0x40201008u);
}

TEST_F(Dispatch, TrianglesLeavingTheFrameDrawOnlyInside) {
  set.setFlags(kTextured);
  RenderVertex a = screenVertex(-40, -25), b = screenVertex(70, 5), c = screenVertex(12, 90);
  drawTriangle(frame.target(), set, a, b, c);
  EXPECT_EQ(frame.count(0x80402010u), 32 * 32);
  // A NaN corner: its fixed-point x overflows and the triangle is refused, drawing nothing.
  frame.clear();
  a.screenX = std::numeric_limits<float>::quiet_NaN();
  drawTriangle(frame.target(), set, a, b, c);
  EXPECT_EQ(frame.countDrawn(), 0);
}

}  // namespace
}  // namespace orvanta
