#include "scenes/plasma_plane_scene.h"

#include <gtest/gtest.h>

#include "driver/depth_buffer.h"
#include "scenes/random_draws.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

using testing::drawsBetween;

// A 640 x 480 picture whose pixel at (x, y) says where it is: red = y / 2, green = x / 4.
void makePositionPicture(Image& picture) {
  picture.create(640, 480);
  for (int32_t y = 0; y < 480; ++y) {
    for (int32_t x = 0; x < 640; ++x) picture.pixels[y * 640 + x] = packArgb(y / 2, x / 4, 7, 1);
  }
}

TEST(MixPlasma, AddsTwoWindowsWithSaturation) {
  Image first;
  makePositionPicture(first);
  Image second;
  second.create(640, 480);
  second.fill(packArgb(200, 200, 200, 200));
  Image heights;
  heights.create(320, 240);

  // At t = 0 every sine is 0: both windows start at (160, 120).
  mixPlasma(&heights, first, second, 0.0f);
  EXPECT_EQ(heights.pixels[0], packArgb(255, 240, 207, 201));  // red 60 + 200, green 40 + 200
  const uint32_t last = heights.pixels[239 * 320 + 319];       // picture (479, 359)
  EXPECT_EQ(last, packArgb(255, 255, 207, 201));

  second.fill(0);
  mixPlasma(&heights, first, second, 0.0f);
  EXPECT_EQ(heights.pixels[0], packArgb(60, 40, 7, 1));
  EXPECT_EQ(heights.pixels[5 * 320 + 9], packArgb(62, 42, 7, 1));  // (169, 125)

  releasePixels(first);
  releasePixels(second);
  releasePixels(heights);
}

TEST(MixPlasma, PicturesTooSmallLeaveTheHeightsAlone) {
  Image small;
  small.create(400, 300);
  small.fill(0xFFFFFFFF);
  Image heights;
  heights.create(320, 240);
  heights.fill(0x12345678);
  mixPlasma(&heights, small, small, 1234.0f);
  Image missing;
  mixPlasma(&heights, missing, missing, 0.0f);
  EXPECT_EQ(heights.pixels[0], 0x12345678u);
  EXPECT_EQ(heights.pixels[76799], 0x12345678u);
  releasePixels(small);
  releasePixels(heights);
}

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source.allocate(24 * 24, 0);
    grid.allocate(24 * 24, 0);
    for (int32_t k = 0; k < 24 * 24; ++k) source.vertices[k].position = {float(k % 24), float(k / 24), 1.0f};
    heights.create(320, 240);
  }
  void TearDown() override { releasePixels(heights); }
  Mesh source;
  Mesh grid;
  Image heights;
};

TEST_F(GridTest, HeightsAreSampledOnlyEveryTenPixels) {
  // Red everywhere except on the sample points.
  heights.fill(packArgb(255, 0, 0, 0));
  for (int32_t r = 0; r < 24; ++r) {
    for (int32_t c = 0; c < 24; ++c) heights.pixels[10 * r * 320 + 10 * c] = packArgb(0, 255, 255, 255);
  }
  displaceGrid(grid, source, 24, heights);
  for (int32_t k = 0; k < 24 * 24; ++k) {
    ASSERT_EQ(grid.vertices[k].position.z, 0.0f) << k;
    ASSERT_EQ(grid.vertices[k].position.x, source.vertices[k].position.x);
    ASSERT_EQ(grid.vertices[k].position.y, source.vertices[k].position.y);
  }
  heights.pixels[10 * 3 * 320 + 10 * 5] = packArgb(100, 0, 0, 0);  // row 3, column 5
  displaceGrid(grid, source, 24, heights);
  EXPECT_EQ(grid.vertices[3 * 24 + 5].position.z, 180.0f);
}

TEST_F(GridTest, FlatSourceVerticesStayFlat) {
  heights.fill(packArgb(255, 255, 255, 255));
  source.vertices[0].position.z = 0.0f;
  source.vertices[100].position.z = 0.5f;
  displaceGrid(grid, source, 24, heights);
  EXPECT_EQ(grid.vertices[0].position.z, 0.0f);
  EXPECT_EQ(grid.vertices[100].position.z, static_cast<float>(127.5 * 1.8));
  EXPECT_EQ(grid.vertices[1].position.z, static_cast<float>(255.0 * 1.8));
}

TEST_F(GridTest, SmallModelsAreLeftAlone) {
  Mesh small;
  small.allocate(100, 0);
  heights.fill(packArgb(255, 0, 0, 0));
  displaceGrid(small, source, 24, heights);  // fewer than 576 vertices to write
  displaceGrid(grid, small, 24, heights);    // fewer than 576 vertices to read
  EXPECT_EQ(small.vertices[99].position.z, 0.0f);
  EXPECT_EQ(grid.vertices[575].position.z, 0.0f);
}

TEST(PlasmaPlaneSceneFrames, GrainThenFlickerEachFrame) {
  createDepthBuffer(kFrameWidth, kFrameHeight);
  PlasmaPlaneScene scene;
  scene.heights.create(kFrameWidth, kFrameHeight);
  scene.work.create(kFrameWidth, kFrameHeight);
  Image frame;
  frame.create(kFrameWidth, kFrameHeight);
  for (float t : {6200.0f, 6201.5f, 7000.0f}) {
    const uint32_t before = gSceneRandomState;
    scene.render(frame, t);
    EXPECT_EQ(drawsBetween(before, gSceneRandomState), 76801);
  }
  releasePixels(frame);
  releasePixels(scene.heights);
  releasePixels(scene.work);
}

}  // namespace
}  // namespace orvanta
