#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/raster.h"
#include "engine/raster_test_support.h"

namespace orvanta {
namespace {

using testing::Frame;

enum class Routine {
  kBumpAdd,
  kBumpMultiply,
  kAdd,
  kMultiply,
  kBumpAddTranslucent,
  kBumpMultiplyTranslucent,
  kAddTranslucent,
  kMultiplyTranslucent
};

void fill(Routine routine, Image& target, const Image& texture, const Image& envMap, const Image& extra,
          const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow, int32_t rows,
          const SpanSteps& steps) {
  switch (routine) {
    case Routine::kBumpAdd:
      return fillLayersBumpAdd(target, texture, envMap, extra, left, right, firstRow, rows, steps);
    case Routine::kBumpMultiply:
      return fillLayersBumpMultiply(target, texture, envMap, extra, left, right, firstRow, rows, steps);
    case Routine::kAdd:
      return fillLayersAdd(target, texture, envMap, left, right, firstRow, rows, steps);
    case Routine::kMultiply:
      return fillLayersMultiply(target, texture, envMap, left, right, firstRow, rows, steps);
    case Routine::kBumpAddTranslucent:
      return fillLayersBumpAddTranslucent(target, texture, envMap, extra, left, right, firstRow, rows, steps);
    case Routine::kBumpMultiplyTranslucent:
      return fillLayersBumpMultiplyTranslucent(target, texture, envMap, extra, left, right, firstRow, rows, steps);
    case Routine::kAddTranslucent:
      return fillLayersAddTranslucent(target, texture, envMap, left, right, firstRow, rows, steps);
    case Routine::kMultiplyTranslucent:
      return fillLayersMultiplyTranslucent(target, texture, envMap, left, right, firstRow, rows, steps);
  }
}

// One pixel (column 2, row 1) drawn over `old` from flat layers t1 and t2 and a flat height map.
struct OnePixel {
  uint32_t colour = 0;
  int32_t depth = 0;
};

OnePixel composeOne(Routine routine, uint32_t t1, uint32_t t2, uint32_t old) {
  Frame frame(4, 4);
  frame.image.pixels[1 * 4 + 2] = old;
  Image texture = testing::makeFlatTexture(16, t1);
  Image envMap = testing::makeFlatTexture(32, t2);
  Image extra = testing::makeFlatTexture(16, 0x00400000);
  TriangleEdge left;
  TriangleEdge right;
  left.x = 0x20000;
  right.x = 0x30000;
  left.invDepth = 77;
  fill(routine, frame.image, texture, envMap, extra, left, right, 1, 1, SpanSteps());
  const OnePixel result{frame.pixel(2, 1), frame.depth(2, 1)};
  releasePixels(texture);
  releasePixels(envMap);
  releasePixels(extra);
  return result;
}

TEST(TwoLayerSpans, OpaqueBytesAndDepth) {
  EXPECT_EQ(composeOne(Routine::kBumpAdd, 0x80402010, 0x90C0F0F8, 0).colour, 0xFFFFFFFFu);
  EXPECT_EQ(composeOne(Routine::kBumpAdd, 0x80402010, 0x01010101, 0).colour, 0x81412111u);
  EXPECT_EQ(composeOne(Routine::kAdd, 0x80402010, 0x01010101, 0).colour, 0x40201008u);
  EXPECT_EQ(composeOne(Routine::kAdd, 0xFFFFFFFF, 0xFFFFFFFF, 0).colour, 0xFFFFFFFFu);
  for (Routine multiply : {Routine::kMultiply, Routine::kBumpMultiply}) {
    EXPECT_EQ(composeOne(multiply, 0xFF804001, 0xFFFFFFFF, 0).colour, 0xFE7F3F00u);
    EXPECT_EQ(composeOne(multiply, 0xFF804001, 0, 0).colour, 0u);
    EXPECT_EQ(composeOne(multiply, 0x80808080, 0x80408010, 0).colour, 0x40204008u);
  }
  for (Routine opaque : {Routine::kBumpAdd, Routine::kBumpMultiply, Routine::kAdd, Routine::kMultiply}) {
    EXPECT_EQ(composeOne(opaque, 1, 1, 0).depth, 77);
  }
}

TEST(TwoLayerSpans, TranslucentBytesLeaveTheDepthBuffer) {
  for (Routine add : {Routine::kAddTranslucent, Routine::kBumpAddTranslucent}) {
    // Frame byte 0xFF, t1 0xFF, t2 0x10 saturates; frame 0x00, t1 0x80, t2 0x10 gives 0x50.
    const OnePixel pixel = composeOne(add, 0xFF80FF80, 0x10101010, 0xFF00FF00);
    EXPECT_EQ(pixel.colour, 0xFF50FF50u);
    EXPECT_EQ(pixel.depth, 0);
  }
  for (Routine multiply : {Routine::kMultiplyTranslucent, Routine::kBumpMultiplyTranslucent}) {
    // ((0xFF * 0xFF) >> 8 + 0) >> 1 = 0x7F; ((0x80 * 0x80) >> 8 + 0xFF) >> 1 = 0x9F.
    const OnePixel pixel = composeOne(multiply, 0xFF80FF80, 0xFF80FF80, 0x00FF00FF);
    EXPECT_EQ(pixel.colour, 0x7F9F7F9Fu);
    EXPECT_EQ(pixel.depth, 0);
  }
}

// The second-layer texel seen by one bump pixel with base coordinates (u, v) and (u2, v2).
class BumpDisplacement : public ::testing::Test {
 protected:
  Frame frame{4, 4};
  Image black = testing::makeFlatTexture(16, 0);
  Image heights = testing::makeFlatTexture(16, 0xAA0000BB);  // other bytes than red are ignored
  Image envMap = testing::makeTexture(32, testing::positionTexel);
  int32_t nextDepth = 1;

  ~BumpDisplacement() override {
    releasePixels(black);
    releasePixels(heights);
    releasePixels(envMap);
  }

  void setHeight(int32_t column, int32_t row, uint32_t height) {
    heights.pixels[row * 16 + column] = 0x12000034u | (height << 16);
  }

  uint32_t seen(int32_t u, int32_t v, int32_t u2, int32_t v2) {
    TriangleEdge left;
    TriangleEdge right;
    left.x = 0x10000;
    right.x = 0x20000;
    left.u = u << 16;
    left.v = v << 16;
    left.u2 = (u2 << 16) | 0x8000;
    left.v2 = (v2 << 16) | 0x4000;
    left.invDepth = nextDepth++;
    fillLayersBumpAdd(frame.image, black, envMap, heights, left, right, 0, 1, SpanSteps());
    return frame.pixel(1, 0);
  }
};

TEST_F(BumpDisplacement, HeightDifferencesMoveTheSecondLayer) {
  EXPECT_EQ(seen(3, 4, 5, 7), testing::positionTexel(5, 7));  // flat: no displacement
  setHeight(3, 4, 100);
  setHeight(4, 4, 110);  // right
  setHeight(3, 5, 95);   // below
  EXPECT_EQ(seen(3, 4, 5, 7), testing::positionTexel(15, 2));
  EXPECT_EQ(seen(3 + 16, 4 - 32, 5, 7), testing::positionTexel(15, 2));  // base coordinates wrap too
  // Displaced past the envMap's edges: wraps around.
  EXPECT_EQ(seen(3, 4, 25, 2), testing::positionTexel(3, 29));
}

TEST_F(BumpDisplacement, NeighboursFollowTheIndexAndWrapPastTheEnd) {
  for (int32_t column = 0; column < 16; ++column) {
    for (int32_t row = 0; row < 16; ++row) setHeight(column, row, 50);
  }
  // Last column, row 2: the right neighbour is the first texel of row 3.
  setHeight(0, 3, 54);
  EXPECT_EQ(seen(15, 2, 10, 10), testing::positionTexel(14, 10));
  // The very last texel: right neighbour is texel 0, the one below is texel 15 of row 0.
  setHeight(0, 0, 53);
  setHeight(15, 0, 40);
  EXPECT_EQ(seen(15, 15, 10, 10), testing::positionTexel(13, 0));
  // Last row, first column: the texel below wraps to row 0, column 0.
  EXPECT_EQ(seen(0, 15, 10, 10), testing::positionTexel(10, 13));
}

// With a flat height map the bump routines address the second layer like the plain ones.
TEST(TwoLayerSpans, FlatBumpMapMatchesPlainAddressing) {
  std::mt19937 random(7);
  auto randomTexel = [&random](int32_t, int32_t) { return static_cast<uint32_t>(random()); };
  Image texture = testing::makeTexture(64, randomTexel);
  Image envMap = testing::makeTexture(128, randomTexel);
  Image extra = testing::makeTexture(64, [&random](int32_t, int32_t) {
    return (static_cast<uint32_t>(random()) & 0xFF00FFFFu) | 0x00330000u;
  });
  RenderVertex a = testing::screenVertex(4.5f, 3.25f, 60.0f, -20.0f, 7.0f, 300.0f, -40.0f);
  RenderVertex b = testing::screenVertex(58.0f, 21.0f, 90.0f, 100.0f, 80.0f, -12.0f, 55.5f);
  RenderVertex c = testing::screenVertex(17.0f, 61.0f, 33.0f, 3.0f, 200.0f, 150.0f, 400.0f);
  const struct {
    CombineMode combine;
    bool translucent;
  } pairs[] = {{kMultiply, false}, {kMultiply, true}, {kAdd, true}};
  for (const auto& pair : pairs) {
    Frame plain(64, 64);
    for (size_t i = 0; i < plain.image.pixelCount(); ++i) plain.image.pixels[i] = static_cast<uint32_t>(i * 2654435761u);
    std::vector<uint32_t> background(plain.image.pixels, plain.image.pixels + 64 * 64);
    if (pair.translucent) {
      setupTwoLayerTriangleTranslucent(plain.image, texture, envMap, extra, a, b, c, kPlain, pair.combine);
    } else {
      setupTwoLayerTriangle(plain.image, texture, envMap, extra, a, b, c, kPlain, pair.combine);
    }
    std::vector<uint32_t> plainPixels(plain.image.pixels, plain.image.pixels + 64 * 64);
    std::copy(background.begin(), background.end(), plain.image.pixels);
    createDepthBuffer(64, 64);
    if (pair.translucent) {
      setupTwoLayerTriangleTranslucent(plain.image, texture, envMap, extra, a, b, c, kBump, pair.combine);
    } else {
      setupTwoLayerTriangle(plain.image, texture, envMap, extra, a, b, c, kBump, pair.combine);
    }
    EXPECT_EQ(std::vector<uint32_t>(plain.image.pixels, plain.image.pixels + 64 * 64), plainPixels);
    EXPECT_NE(plainPixels, background);
  }
  releasePixels(texture);
  releasePixels(envMap);
  releasePixels(extra);
}

}  // namespace
}  // namespace orvanta
