#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/raster.h"
#include "engine/raster_test_support.h"

namespace orvanta {
namespace {

using testing::Frame;

// One row (row 1) from left x to right x, sampling a 256-wide position texture.
struct RowSpan {
  TriangleEdge left;
  TriangleEdge right;
  SpanSteps steps;
  RowSpan(int32_t leftX, int32_t rightX) {
    left.x = leftX;
    right.x = rightX;
    left.invDepth = 0x10000;
  }
};

class SingleLayerSpans : public ::testing::Test {
 protected:
  Frame frame{32, 4};
  Image texture = testing::makeTexture(256, testing::positionTexel);
  ~SingleLayerSpans() override { releasePixels(texture); }

  void draw(const RowSpan& span) { fillTexturedSpans(frame.image, texture, span.left, span.right, 1, 1, span.steps); }
  int drawnOnRow() const {
    int count = 0;
    for (int32_t x = 0; x < 32; ++x) count += frame.pixel(x, 1) != 0 ? 1 : 0;
    return count;
  }
};

TEST_F(SingleLayerSpans, RowCoversCeilingOfLeftUpToCeilingOfRight) {
  draw(RowSpan(0x50000, 0x50000));
  EXPECT_EQ(drawnOnRow(), 0);
  draw(RowSpan(0x50000, 0x50001));
  EXPECT_EQ(drawnOnRow(), 1);
  EXPECT_NE(frame.pixel(5, 1), 0u);
  draw(RowSpan(0x4C000, 0x60000));  // 4.75 .. 6.0: columns 5 only (already drawn) -> still one
  EXPECT_EQ(drawnOnRow(), 1);
  draw(RowSpan(0x70000, 0x50000));  // reversed edges draw nothing
  EXPECT_EQ(drawnOnRow(), 1);
}

TEST_F(SingleLayerSpans, PrestepOfAPixelCentreIsAlmostOneWholeStep) {
  RowSpan span(0x50000, 0x60000);
  span.left.u = 0x100;
  span.steps.du = 0x10000;
  draw(span);  // u = 0x100 + 0xFF00 = 1.0
  EXPECT_EQ(frame.pixel(5, 1), testing::positionTexel(1, 0));

  // 4.75: p = 63; with 16 texels per pixel u = 0xFFF + 0x3F000 = 3.99998 -> column 3.
  RowSpan quarter(0x4C000, 0x50001);
  quarter.left.u = 0xFFF;
  quarter.steps.du = 0x100000;
  quarter.left.invDepth = 0x20000;
  draw(quarter);
  EXPECT_EQ(frame.pixel(5, 1), testing::positionTexel(3, 0));
  EXPECT_EQ(frame.pixel(4, 1), 0u);

  // The prestep's multiply wraps in 32 bits: (0x7FFFFFFF >> 4) * 255 overflows.
  RowSpan wrapped(0x50000, 0x50001);
  wrapped.left.invDepth = 0x30000;
  wrapped.steps.du = 0x7FFFFFFF;
  draw(wrapped);
  // 0x07FFFFFF * 255 = 0xF7FFFF01 (wrapped), >> 4 = 0xFF7FFFF0: texel column 0x7F.
  EXPECT_EQ(frame.pixel(5, 1), testing::positionTexel(0x7F, 0));
}

TEST_F(SingleLayerSpans, TexelCoordinatesWrapBothWays) {
  RowSpan span(0x50000, 0x50001);
  span.left.u = -0x10000;
  span.left.v = -0x20000;
  draw(span);
  EXPECT_EQ(frame.pixel(5, 1), testing::positionTexel(255, 254));

  span.left.invDepth = 0x20000;
  span.left.u = 0x1000000;
  span.left.v = 0x1030000;
  draw(span);
  EXPECT_EQ(frame.pixel(5, 1), testing::positionTexel(0, 3));
}

TEST_F(SingleLayerSpans, DepthTestIsStrictlyGreaterAndEveryPixelSteps) {
  RowSpan span(0x20000, 0x60000);  // columns 2..5
  span.left.invDepth = 100;
  span.steps.dInvDepth = 10;  // 100, 110, 120, 130
  span.steps.du = 0x10000;
  gDepthBuffer.values[1 * 32 + 3] = 110;  // equal: kept
  gDepthBuffer.values[1 * 32 + 4] = 119;  // smaller: drawn
  draw(span);
  EXPECT_NE(frame.pixel(2, 1), 0u);
  EXPECT_EQ(frame.pixel(3, 1), 0u);
  EXPECT_EQ(frame.depth(3, 1), 110);
  EXPECT_EQ(frame.depth(4, 1), 120);
  EXPECT_EQ(frame.depth(5, 1), 130);
  // Column 5 still samples its own texel although column 3 was skipped: u = 0xFF00 + 3.
  EXPECT_EQ(frame.pixel(5, 1), testing::positionTexel(3, 0));
}

TEST_F(SingleLayerSpans, EdgesAndAttributesStepPerRow) {
  TriangleEdge left;
  TriangleEdge right;
  left.x = 0x10000;
  left.xStep = 0x10000;
  right.x = 0x30000;
  right.xStep = 0x20000;
  left.v = 0x8000;
  left.vStep = 0x10000;
  left.invDepth = 50;
  left.invDepthStep = 5;
  fillTexturedSpans(frame.image, texture, left, right, 0, 3, SpanSteps());
  // Row r spans columns 1 + r .. 3 + 3r - 1 and samples texel row r.
  for (int32_t row = 0; row < 3; ++row) {
    for (int32_t x = 0; x < 32; ++x) {
      const bool drawn = x >= 1 + row && x < 3 + 2 * row;
      EXPECT_EQ(frame.pixel(x, row), drawn ? testing::positionTexel(0, row) : 0u) << x << "," << row;
      EXPECT_EQ(frame.depth(x, row), drawn ? 50 + 5 * row : 0) << x << "," << row;
    }
  }
}

TEST(SingleLayerSpanSafety, RowsAndColumnsOutsideTheTargetAreSkippedExactly) {
  // A span running past every side of a 16 x 16 target draws there exactly what the same span,
  // moved 8 pixels right and down, draws inside a 32 x 32 target.
  Image texture = testing::makeTexture(64, [](int32_t c, int32_t r) { return 0xFF000000u | (r * 64u + c + 1u); });
  TriangleEdge left;
  TriangleEdge right;
  left.x = -0x58000;  // -5.5
  left.xStep = 0x3400;
  right.x = 0x112345;
  right.xStep = 0x5800;
  left.u = 0x123456;
  left.uStep = 0x4321;
  left.v = -0x20000;
  left.vStep = 0x9876;
  left.invDepth = 1000;
  left.invDepthStep = 3;
  SpanSteps steps;
  steps.du = 0xC000;
  steps.dv = -0x3000;
  steps.dInvDepth = 7;
  Image small;
  small.create(16, 16);
  uint32_t clipped[16 * 16];
  int32_t clippedDepth[16 * 16];
  createDepthBuffer(16, 16);
  fillTexturedSpans(small, texture, left, right, -3, 24, steps);
  for (int i = 0; i < 256; ++i) {
    clipped[i] = small.pixels[i];
    clippedDepth[i] = gDepthBuffer.values[i];
  }

  Frame big(32, 32);
  TriangleEdge movedLeft = left;
  TriangleEdge movedRight = right;
  movedLeft.x += 0x80000;
  movedRight.x += 0x80000;
  fillTexturedSpans(big.image, texture, movedLeft, movedRight, 5, 24, steps);
  int drawn = 0;
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      EXPECT_EQ(clipped[y * 16 + x], big.pixel(x + 8, y + 8)) << x << "," << y;
      EXPECT_EQ(clippedDepth[y * 16 + x], big.depth(x + 8, y + 8)) << x << "," << y;
      drawn += clipped[y * 16 + x] != 0 ? 1 : 0;
    }
  }
  EXPECT_GT(drawn, 200);
  EXPECT_NE(big.pixel(4, 7), 0u);  // the moved span did reach beyond the small target's area

  // A depth buffer of another width: nothing is drawn.
  Frame other(16, 16);
  createDepthBuffer(20, 16);
  fillTexturedSpans(other.image, texture, left, right, 0, 16, steps);
  EXPECT_EQ(other.countDrawn(), 0);
  releasePixels(small);
  releasePixels(texture);
}

TEST(TranslucentSpans, BlendHalfAndHalfAndLeaveTheDepthBuffer) {
  Frame frame(8, 4);
  Image white = testing::makeFlatTexture(16, 0xFFFFFFFF);
  Image grey = testing::makeFlatTexture(16, 0x80808080);
  TriangleEdge left;
  TriangleEdge right;
  left.x = 0x10000;
  right.x = 0x30000;
  left.invDepth = 500;
  fillTexturedSpansTranslucent(frame.image, white, left, right, 1, 1, SpanSteps());
  EXPECT_EQ(frame.pixel(1, 1), 0x7F7F7F7Fu);
  EXPECT_EQ(frame.depth(1, 1), 0);
  fillTexturedSpansTranslucent(frame.image, white, left, right, 1, 1, SpanSteps());
  EXPECT_EQ(frame.pixel(1, 1), 0xBFBFBFBFu);  // blends again over the first

  // An opaque triangle behind the translucent one is still drawn (only opaque depths count) ...
  left.invDepth = 100;
  fillTexturedSpans(frame.image, grey, left, right, 1, 1, SpanSteps());
  EXPECT_EQ(frame.pixel(1, 1), 0x80808080u);
  // ... and a translucent one behind that opaque one is not.
  left.invDepth = 99;
  fillTexturedSpansTranslucent(frame.image, white, left, right, 1, 1, SpanSteps());
  EXPECT_EQ(frame.pixel(2, 1), 0x80808080u);
  left.invDepth = 101;
  fillTexturedSpansTranslucent(frame.image, white, left, right, 1, 1, SpanSteps());
  EXPECT_EQ(frame.pixel(2, 1), 0xBFBFBFBFu);
  EXPECT_EQ(frame.depth(2, 1), 100);
  releasePixels(white);
  releasePixels(grey);
}

TEST(OpaqueTriangles, RedrawingTheSameTriangleChangesNothing) {
  Frame frame(64, 64);
  Image first = testing::makeTexture(32, testing::positionTexel);
  Image second = testing::makeFlatTexture(32, 0x12345678);
  RenderVertex a = testing::screenVertex(3.3f, 7.1f, 90.0f, 1.5f, 2.0f);
  RenderVertex b = testing::screenVertex(60.2f, 20.7f, 45.0f, 30.0f, 4.0f);
  RenderVertex c = testing::screenVertex(21.9f, 58.4f, 200.0f, 9.0f, 31.0f);
  setupTexturedTriangle(frame.image, first, a, b, c);
  const int drawn = frame.countDrawn();
  EXPECT_GT(drawn, 1000);
  std::vector<uint32_t> pixels(frame.image.pixels, frame.image.pixels + 64 * 64);
  std::vector<int32_t> depths(gDepthBuffer.values, gDepthBuffer.values + 64 * 64);
  setupTexturedTriangle(frame.image, second, a, b, c);
  EXPECT_EQ(std::vector<uint32_t>(frame.image.pixels, frame.image.pixels + 64 * 64), pixels);
  EXPECT_EQ(std::vector<int32_t>(gDepthBuffer.values, gDepthBuffer.values + 64 * 64), depths);
  releasePixels(first);
  releasePixels(second);
}

}  // namespace
}  // namespace orvanta
