#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/raster.h"
#include "engine/raster_test_support.h"

namespace orvanta {
namespace {

using testing::Frame;
using testing::screenVertex;

struct SpanCall {
  TriangleEdge left;
  TriangleEdge right;
  int32_t firstRow = 0;
  int32_t rows = 0;
  SpanSteps steps;
};

void recordCall(void* context, const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow, int32_t rows,
                const SpanSteps& steps) {
  static_cast<std::vector<SpanCall>*>(context)->push_back({left, right, firstRow, rows, steps});
}

std::vector<SpanCall> setUp(RenderVertex a, RenderVertex b, RenderVertex c, bool twoLayers = false) {
  std::vector<SpanCall> calls;
  setupTriangle(a, b, c, twoLayers, recordCall, &calls);
  return calls;
}

TEST(ToFixed, TruncatesTowardZeroAndOverflowsToOnePositiveValue) {
  EXPECT_EQ(toFixed(1.5f), 0x18000);
  EXPECT_EQ(toFixed(-1.5f), -0x18000);
  EXPECT_EQ(toFixed(1.0f / 131072.0f), 0);  // half a unit: truncated
  EXPECT_EQ(toFixed(-1.0f / 131072.0f), 0);
  EXPECT_EQ(toFixed(32767.99f), 0x7FFFFD80);  // 32767.990234375 as a float
  EXPECT_EQ(toFixed(-32767.5f), -0x7FFF8000);
  for (float outside : {32768.0f, 40000.0f, -32768.0f, -40000.0f, std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_EQ(toFixed(outside), kFixedOverflow) << outside;
  }
}

TEST(ToFixed, PixelPositionIsTheCeilingOfTheFixedValue) {
  Frame frame(64, 64);
  struct Case {
    float screen;
    int32_t pixel;
  };
  for (const Case& c : {Case{10.0f, 10}, Case{10.5f, 11}, Case{-0.25f, 0}, Case{10.00001f, 10}, Case{10.0001f, 11},
                        Case{-3.0f, -3}, Case{-3.5f, -3}}) {
    RenderVertex a = screenVertex(c.screen, c.screen);
    RenderVertex b = screenVertex(20.0f, 20.0f);
    RenderVertex d = screenVertex(30.0f, 5.0f);
    drawWireTriangle(frame.image, a, b, d, 1);
    EXPECT_EQ(a.pixelX, c.pixel) << c.screen;
    EXPECT_EQ(a.pixelY, c.pixel) << c.screen;
  }
}

// a = (10, 10), b = (30, 20), c = (10, 40), depth 100, (u, v) = screen position.
TEST(TriangleSetup, WorkedExampleEdgesAndSteps) {
  RenderVertex a = screenVertex(10, 10, 100, 10, 10);
  RenderVertex b = screenVertex(30, 20, 100, 30, 20);
  RenderVertex c = screenVertex(10, 40, 100, 10, 40);
  std::vector<SpanCall> calls;
  setupTriangle(a, b, c, false, recordCall, &calls);
  EXPECT_EQ(b.pixelX, 30);
  EXPECT_EQ(b.pixelY, 20);
  EXPECT_EQ(c.pixelY, 40);
  ASSERT_EQ(calls.size(), 2u);

  const SpanCall& upper = calls[0];
  EXPECT_EQ(upper.firstRow, 10);
  EXPECT_EQ(upper.rows, 10);
  EXPECT_EQ(upper.left.x, 0xA0000);
  EXPECT_EQ(upper.left.xStep, 0);
  EXPECT_EQ(upper.left.u, 0xA0000);
  EXPECT_EQ(upper.left.uStep, 0);
  EXPECT_EQ(upper.left.v, 0xA0000);
  EXPECT_EQ(upper.left.vStep, 0x10000);
  EXPECT_EQ(upper.left.invDepth, 0x147AB86);
  EXPECT_EQ(upper.left.invDepthStep, 0);
  EXPECT_EQ(upper.left.u2, 0);  // single layer: second layer not set up
  EXPECT_EQ(upper.right.x, 0xA0000);
  EXPECT_EQ(upper.right.xStep, 0x20000);
  EXPECT_EQ(upper.steps.du, 0x10000);
  EXPECT_EQ(upper.steps.dv, 0);
  EXPECT_EQ(upper.steps.dInvDepth, 0);

  const SpanCall& lower = calls[1];
  EXPECT_EQ(lower.firstRow, 20);
  EXPECT_EQ(lower.rows, 20);
  EXPECT_EQ(lower.left.x, 0xA0000);
  EXPECT_EQ(lower.left.xStep, 0);
  EXPECT_EQ(lower.left.u, 0xA0000);
  EXPECT_EQ(lower.left.v, 0x140000);
  EXPECT_EQ(lower.left.vStep, 0x10000);
  EXPECT_EQ(lower.left.invDepth, 0x147AB86);
  EXPECT_EQ(lower.right.x, 0x1E0000);
  EXPECT_EQ(lower.right.xStep, -0x10000);
  EXPECT_EQ(lower.steps.du, 0x10000);
  EXPECT_EQ(lower.steps.dv, 0);
}

TEST(TriangleSetup, VertexOrderDoesNotMatterAndMirroredTrianglesSwapSides) {
  const auto reference = setUp(screenVertex(10, 10, 100, 10, 10), screenVertex(30, 20, 100, 30, 20),
                               screenVertex(10, 40, 100, 10, 40));
  const auto shuffled = setUp(screenVertex(10, 40, 100, 10, 40), screenVertex(30, 20, 100, 30, 20),
                              screenVertex(10, 10, 100, 10, 10));
  ASSERT_EQ(shuffled.size(), 2u);
  EXPECT_EQ(shuffled[0].left.x, reference[0].left.x);
  EXPECT_EQ(shuffled[1].right.xStep, reference[1].right.xStep);

  // The middle vertex on the left: the long edge is the right edge.
  const auto mirrored = setUp(screenVertex(30, 10, 100, 30, 10), screenVertex(10, 20, 100, 10, 20),
                              screenVertex(30, 40, 100, 30, 40));
  ASSERT_EQ(mirrored.size(), 2u);
  EXPECT_EQ(mirrored[0].left.x, 0x1E0000);
  EXPECT_EQ(mirrored[0].left.xStep, -0x20000);
  EXPECT_EQ(mirrored[0].right.x, 0x1E0000);
  EXPECT_EQ(mirrored[0].right.xStep, 0);
  EXPECT_EQ(mirrored[0].steps.du, 0x10000);
  EXPECT_EQ(mirrored[1].left.x, 0xA0000);
  EXPECT_EQ(mirrored[1].left.xStep, 0x10000);
  EXPECT_EQ(mirrored[1].right.x, 0x1E0000);
}

TEST(TriangleSetup, TwoLayersCarryTheSecondCoordinates) {
  const auto calls = setUp(screenVertex(10, 10, 100, 10, 10, 20, 5), screenVertex(30, 20, 100, 30, 20, 60, 10),
                           screenVertex(10, 40, 100, 10, 40, 20, 20), true);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].left.u2, 0x140000);
  EXPECT_EQ(calls[0].left.u2Step, 0);
  EXPECT_EQ(calls[0].left.v2, 0x50000);
  EXPECT_EQ(calls[0].left.v2Step, 0x8000);
  EXPECT_EQ(calls[0].steps.du2, 0x20000);
  EXPECT_EQ(calls[0].steps.dv2, 0);
  EXPECT_EQ(calls[1].left.v2, 0xA0000);
  EXPECT_EQ(calls[0].steps.du, 0x10000);
}

TEST(TriangleSetup, PrestepStartsEdgesAtTheFirstPixelRow) {
  // Top at y = 9.5: the first row is 10, half a row down both edges.
  const auto calls =
      setUp(screenVertex(10, 9.5f, 100, 0, 0), screenVertex(30, 19.5f, 100, 0, 10), screenVertex(10, 29.5f, 100, 0, 20));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].firstRow, 10);
  EXPECT_EQ(calls[0].rows, 10);
  EXPECT_EQ(calls[0].right.x, 0xB0000);  // 10 + 0.5 * 2
  EXPECT_EQ(calls[0].left.v, 0x8000);    // 0 + 0.5 * 1
  EXPECT_EQ(calls[1].right.x, 0x1D0000);  // 30 - 0.5 * 2
  EXPECT_EQ(calls[1].left.v, 0xA8000);
}

TEST(TriangleSetup, DegenerateTrianglesDrawNothing) {
  // Doubled area 0.4 over two pixel rows; without the area test a pixel of row 10 would be covered.
  EXPECT_TRUE(setUp(screenVertex(10, 9.9f), screenVertex(10.2f, 10.5f), screenVertex(10, 11.9f)).empty());
  // All three on pixel row 10, however wide.
  EXPECT_TRUE(setUp(screenVertex(0, 9.5f), screenVertex(100, 9.7f), screenVertex(50, 10.0f)).empty());
  // Middle vertex 0.05 from the long edge: nothing at all, not even the upper part.
  EXPECT_TRUE(setUp(screenVertex(10, 10), screenVertex(10.05f, 30), screenVertex(10, 50)).empty());
  // Coincident points.
  EXPECT_TRUE(setUp(screenVertex(10, 10), screenVertex(10, 10), screenVertex(10, 10)).empty());
  // A middle width of 0.15 is enough.
  EXPECT_EQ(setUp(screenVertex(10, 10), screenVertex(10.15f, 30), screenVertex(10, 50)).size(), 2u);
}

TEST(TriangleSetup, FlatTopAndFlatBottomMakeOneCall) {
  const auto flatTop = setUp(screenVertex(10, 10), screenVertex(30, 10), screenVertex(20, 30));
  ASSERT_EQ(flatTop.size(), 1u);
  EXPECT_EQ(flatTop[0].firstRow, 10);
  EXPECT_EQ(flatTop[0].rows, 20);
  EXPECT_EQ(flatTop[0].left.x, 0xA0000);
  EXPECT_EQ(flatTop[0].right.x, 0x1E0000);

  const auto flatBottom = setUp(screenVertex(20, 10), screenVertex(10, 30), screenVertex(30, 30));
  ASSERT_EQ(flatBottom.size(), 1u);
  EXPECT_EQ(flatBottom[0].firstRow, 10);
  EXPECT_EQ(flatBottom[0].rows, 20);

  // Top and middle on the same pixel row although their y differ.
  EXPECT_EQ(setUp(screenVertex(10, 9.2f), screenVertex(30, 9.9f), screenVertex(20, 30)).size(), 1u);
  EXPECT_EQ(setUp(screenVertex(10, 9.2f), screenVertex(30, 10.1f), screenVertex(20, 30)).size(), 2u);
}

// Pixels of the worked example, worked out row by row from its edges.
TEST(TriangleSetup, WorkedExampleDrawsTheExpectedPixels) {
  Frame frame(64, 64);
  const Image texture = testing::makeTexture(64, testing::positionTexel);
  RenderVertex a = screenVertex(10, 10, 100, 10, 10);
  RenderVertex b = screenVertex(30, 20, 100, 30, 20);
  RenderVertex c = screenVertex(10, 40, 100, 10, 40);
  setupTexturedTriangle(frame.image, texture, a, b, c);
  for (int32_t row = 0; row < 64; ++row) {
    int32_t end = 10;  // one past the last drawn column
    if (row >= 10 && row < 20) end = 10 + 2 * (row - 10);
    if (row >= 20 && row < 40) end = 30 - (row - 20);
    for (int32_t column = 0; column < 64; ++column) {
      const bool drawn = column >= 10 && column < end;
      EXPECT_EQ(frame.pixel(column, row), drawn ? testing::positionTexel(column, row) : 0u) << column << "," << row;
      EXPECT_EQ(frame.depth(column, row), drawn ? 0x147AB86 : 0) << column << "," << row;
    }
  }
  Image release = texture;
  releasePixels(release);
}

TEST(TriangleSetup, QuadCoversExactlyThePixelCentresInsideItOnce) {
  // Two triangles of a convex quad, translucent over black: a pixel blended twice would be
  // 0xBFBFBFBF. Coverage is compared with an exact inside test of each pixel centre.
  Frame frame(64, 64);
  Image white = testing::makeFlatTexture(16, 0xFFFFFFFF);
  const float corners[4][2] = {{5.3f, 4.7f}, {50.6f, 8.2f}, {47.1f, 55.5f}, {3.9f, 41.25f}};
  RenderVertex p[4];
  for (int i = 0; i < 4; ++i) p[i] = screenVertex(corners[i][0], corners[i][1]);
  setupTexturedTriangleTranslucent(frame.image, white, p[0], p[1], p[2]);
  setupTexturedTriangleTranslucent(frame.image, white, p[0], p[2], p[3]);
  int covered = 0;
  for (int32_t y = 0; y < 64; ++y) {
    for (int32_t x = 0; x < 64; ++x) {
      double nearest = 1e9;
      bool inside = true;
      for (int i = 0; i < 4; ++i) {
        const double ax = corners[i][0], ay = corners[i][1];
        const double bx = corners[(i + 1) % 4][0], by = corners[(i + 1) % 4][1];
        const double cross = (bx - ax) * (y - ay) - (by - ay) * (x - ax);
        const double distance = cross / std::hypot(bx - ax, by - ay);
        nearest = std::min(nearest, std::fabs(distance));
        inside = inside && distance > 0;  // clockwise on screen with y down
      }
      const uint32_t pixel = frame.pixel(x, y);
      EXPECT_TRUE(pixel == 0 || pixel == 0x7F7F7F7F) << x << "," << y;
      if (nearest > 0.01) {
        EXPECT_EQ(pixel != 0, inside) << x << "," << y;
      }
      covered += pixel != 0 ? 1 : 0;
    }
  }
  EXPECT_GT(covered, 1500);
  releasePixels(white);
}

}  // namespace
}  // namespace orvanta
