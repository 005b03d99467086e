#include "scenes/cube_scene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "driver/depth_buffer.h"
#include "scenes/random_draws.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

using testing::drawsBetween;

class CubeSceneFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    createDepthBuffer(kFrameWidth, kFrameHeight);
    frame.create(kFrameWidth, kFrameHeight);
    scene.work.create(kFrameWidth, kFrameHeight);
  }
  void TearDown() override {
    releasePixels(frame);
    releasePixels(scene.work);
    releasePixels(scene.greetings);
    releasePixels(scene.mask);
  }
  CubeScene scene;
  Image frame;
};

TEST_F(CubeSceneFrames, ProjectorStaysWithinFortyUnitsOfTheViewCamera) {
  for (float t = 7700.0f; t < 9400.0f; t += 37.25f) {
    scene.render(frame, t);
    const Vec3& view = scene.viewCamera.eye;
    const Vec3& projector = scene.projectorCamera.eye;
    ASSERT_LE(std::fabs(projector.x - view.x), 40.0f) << t;
    ASSERT_LE(std::fabs(projector.y - view.y), 40.0f) << t;
    ASSERT_LE(std::fabs(projector.z - view.z), 40.0f) << t;
    const float horizontal = std::sqrt(view.x * view.x + view.z * view.z);
    ASSERT_GE(std::sqrt(horizontal * horizontal + view.y * view.y), 399.0f) << t;
  }
}

TEST_F(CubeSceneFrames, GrainThenFlickerEachFrame) {
  for (float t : {7700.0f, 7701.5f, 9000.0f}) {
    const uint32_t before = gSceneRandomState;
    scene.render(frame, t);
    EXPECT_EQ(drawsBetween(before, gSceneRandomState), 76801);
  }
}

TEST_F(CubeSceneFrames, MaskIsAppliedLast) {
  // Opaque white greetings over everything, a mask that is black on its left half.
  scene.greetings.create(kFrameWidth, kFrameHeight);
  scene.greetings.fill(0x00FFFFFF);
  scene.mask.create(kFrameWidth, kFrameHeight);
  for (int32_t y = 0; y < kFrameHeight; ++y) {
    for (int32_t x = 0; x < kFrameWidth; ++x) scene.mask.pixels[y * kFrameWidth + x] = x < 160 ? 0u : 0xFFFFFFFFu;
  }
  for (float t : {7700.0f, 8123.0f, 8124.0f, 8125.0f, 9399.0f}) {
    scene.render(frame, t);
    for (int32_t y = 0; y < kFrameHeight; ++y) {
      for (int32_t x = 0; x < 160; ++x) ASSERT_EQ(frame.pixels[y * kFrameWidth + x], 0u) << x << "," << y;
    }
    // The greetings show on the right: white scaled by 255/256, blurred or not, then masked.
    EXPECT_GT(frame.pixels[120 * kFrameWidth + 240] & 0xFF, 200u);
  }
}

}  // namespace
}  // namespace orvanta
