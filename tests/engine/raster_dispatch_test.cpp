#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "engine/raster.h"
#include "engine/raster_test_support.h"

namespace orvanta {
namespace {

using testing::Frame;
using testing::screenVertex;

// A triangle well inside a 32 x 32 frame; (12, 12) is inside it.
struct Triangle {
  RenderVertex a = screenVertex(4.0f, 3.0f, 100.0f, 1.0f, 1.0f, 1.0f, 1.0f);
  RenderVertex b = screenVertex(28.0f, 8.0f, 100.0f, 2.0f, 1.0f, 2.0f, 1.0f);
  RenderVertex c = screenVertex(10.0f, 27.0f, 100.0f, 1.0f, 2.0f, 1.0f, 2.0f);
};

class Dispatch : public ::testing::Test {
 protected:
  Frame frame{32, 32};
  TextureSet set;

  Dispatch() {
    set.texture = testing::makeFlatTexture(16, 0x80402010);
    set.envMap = testing::makeFlatTexture(32, 0x01010101);
    set.extra = testing::makeFlatTexture(16, 0x00100000);
  }
  ~Dispatch() override {
    releasePixels(set.texture);
    releasePixels(set.envMap);
    releasePixels(set.extra);
  }

  uint32_t drawAndLook(int32_t flags) {
    frame.image.clear();
    clearDepthBuffer();
    set.setFlags(flags);
    Triangle t;
    drawTriangle(frame.image, set, t.a, t.b, t.c);
    return frame.pixel(12, 12);
  }
};

TEST_F(Dispatch, FlagsChooseThePath) {
  EXPECT_EQ(drawAndLook(0), 0u);
  EXPECT_EQ(frame.countDrawn(), 0);
  EXPECT_EQ(drawAndLook(kTextured), 0x80402010u);
  EXPECT_EQ(drawAndLook(kTextured | kWireframe), 0x80402010u);  // filled only
  EXPECT_EQ(frame.pixel(4, 3), 0u);                             // no outline at the top corner
  EXPECT_EQ(drawAndLook(kTextured | kTwoLayer), 0x00000000u);  // multiply: (0x80 * 1) >> 8 = 0
  EXPECT_EQ(drawAndLook(kTwoLayer | kAddLayers), 0x40201008u);
  EXPECT_EQ(drawAndLook(kTextured | kTwoLayer | kBumpMap | kAddLayers), 0x81412111u);
  EXPECT_EQ(drawAndLook(kTwoLayer | kBumpMap | kAddLayers | kTranslucent), 0x41211109u);
  EXPECT_EQ(gDepthBuffer.values[12 * 32 + 12], 0);
  EXPECT_EQ(drawAndLook(kTextured | kTranslucent), 0x40201008u);
  EXPECT_EQ(drawAndLook(kTextured | kEnvLayer1 | kVertexUvLayer2), 0x80402010u);  // other bits: no effect here
}

TEST_F(Dispatch, WireframeDrawsWhiteEdgesOnly) {
  EXPECT_EQ(drawAndLook(kWireframe), 0u);  // interior untouched
  EXPECT_EQ(frame.pixel(4, 3), 0xFFFFFFFFu);
  EXPECT_EQ(frame.pixel(28, 8), 0xFFFFFFFFu);
  EXPECT_EQ(frame.pixel(10, 27), 0xFFFFFFFFu);
  EXPECT_EQ(gDepthBuffer.values[3 * 32 + 4], 0);
  EXPECT_GT(frame.countDrawn(), 60);
}

TEST_F(Dispatch, SetsWithUnusableImagesDrawNothing) {
  EXPECT_TRUE(textureSetDrawable(set));
  // envMap and extra are not read by the single-layer path.
  TextureSet single;
  single.setFlags(kTextured | kEnvLayer1);
  single.texture = set.texture;
  EXPECT_TRUE(textureSetDrawable(single));
  Triangle t;
  drawTriangle(frame.image, single, t.a, t.b, t.c);
  EXPECT_EQ(frame.pixel(12, 12), 0x80402010u);

  const Image good = set.texture;
  Image missing = good;
  missing.pixels = nullptr;
  Image notSquare = good;
  notSquare.height = 8;
  Image tooSmall = good;
  tooSmall.width = tooSmall.height = 8;
  tooSmall.widthShift = 3;
  tooSmall.widthMask = 7;
  Image tooLarge = good;  // never read: the check comes first
  tooLarge.width = tooLarge.height = 2048;
  tooLarge.widthShift = 11;
  tooLarge.widthMask = 2047;
  Image notPowerOfTwo = good;
  notPowerOfTwo.width = notPowerOfTwo.height = 100;
  notPowerOfTwo.widthShift = 8;
  notPowerOfTwo.widthMask = 255;
  Image wrongShift = good;
  wrongShift.widthShift = 8;
  wrongShift.widthMask = 255;
  for (const Image& bad : {missing, notSquare, tooSmall, tooLarge, notPowerOfTwo, wrongShift}) {
    EXPECT_FALSE(textureDrawable(bad));
    set.texture = bad;
    EXPECT_EQ(drawAndLook(kTextured), 0u);
    EXPECT_EQ(drawAndLook(kTwoLayer | kAddLayers), 0u);
    set.texture = good;
    const Image envMap = set.envMap;
    set.envMap = bad;
    EXPECT_EQ(drawAndLook(kTwoLayer | kAddLayers), 0u);
    EXPECT_EQ(drawAndLook(kTextured), 0x80402010u);
    set.envMap = envMap;
  }

  // The height map must have the texture's size, and is needed only with the bump map.
  const Image extra = set.extra;
  set.extra.width = set.extra.height = 32;
  EXPECT_EQ(drawAndLook(kTwoLayer | kBumpMap | kAddLayers), 0u);
  set.extra = Image();
  EXPECT_EQ(drawAndLook(kTwoLayer | kBumpMap | kAddLayers), 0u);
  EXPECT_EQ(drawAndLook(kTwoLayer | kAddLayers), 0x40201008u);
  set.extra = extra;
}

TEST_F(Dispatch, TrianglesLeavingTheFrameDrawOnlyInside) {
  set.setFlags(kTextured);
  RenderVertex a = screenVertex(-40.0f, -25.0f, 100.0f);
  RenderVertex b = screenVertex(70.0f, 5.0f, 100.0f);
  RenderVertex c = screenVertex(12.0f, 90.0f, 100.0f);
  drawTriangle(frame.image, set, a, b, c);
  EXPECT_EQ(frame.pixel(12, 12), 0x80402010u);
  EXPECT_EQ(frame.pixel(0, 0), 0x80402010u);
  EXPECT_EQ(frame.pixel(31, 31), 0x80402010u);
  EXPECT_EQ(frame.countDrawn(), 32 * 32);

  // A vertex whose position is not a number: nothing outside the frame is touched.
  frame.image.clear();
  a.screenX = std::numeric_limits<float>::quiet_NaN();
  drawTriangle(frame.image, set, a, b, c);
}

}  // namespace
}  // namespace orvanta
