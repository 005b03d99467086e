#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "driver/depth_buffer.h"
#include "image/image.h"
#include "image/test_pictures.h"
#include "scenes/blob_scene.h"
#include "scenes/data_files.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

constexpr uint32_t kRedOverlay = 0x00FF0000u;   // alpha 0: fully covering
constexpr uint32_t kBlueOverlay = 0x000000FFu;  // alpha 0: fully covering

std::vector<uint32_t> filled(int32_t count, uint32_t word) { return std::vector<uint32_t>(static_cast<size_t>(count), word); }

std::vector<uint32_t> checker(uint32_t a, uint32_t b) {
  std::vector<uint32_t> words(256 * 256);
  for (int32_t y = 0; y < 256; ++y) {
    for (int32_t x = 0; x < 256; ++x) words[static_cast<size_t>(y * 256 + x)] = ((x / 32 + y / 32) & 1) != 0 ? a : b;
  }
  return words;
}

// As the frame loop does: a cleared depth buffer of the frame's size before the scene.
void renderFrame(Image& frame, float t) {
  if (gDepthBuffer.values == nullptr || gDepthBuffer.width != kFrameWidth || gDepthBuffer.height != kFrameHeight) {
    createDepthBuffer(kFrameWidth, kFrameHeight);
  }
  clearDepthBuffer();
  renderBlobScene(frame, t);
}

int32_t depthWritten() {
  int32_t count = 0;
  for (int32_t i = 0; i < gDepthBuffer.width * gDepthBuffer.height; ++i) count += gDepthBuffer.values[i] != 0 ? 1 : 0;
  return count;
}

// The scene is initialised once per process, from pictures made here; its flash is used up
// by a frame at t = 0 so that later frames are not faded.
void ensureBlobScene() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  testing::ScratchFolder folder;
  folder.write("box.tga", testing::tgaBytes(256, 256, 32, checker(0xFFFF0000u, 0xFF20A040u)));
  folder.write("s08_back2.tga", testing::tgaBytes(256, 256, 32, checker(0xFF303030u, 0xFF8080C0u)));
  folder.write("s08_back3.tga", testing::tgaBytes(256, 256, 32, checker(0xFFC0C0C0u, 0xFF404040u)));
  folder.write("terrorist.tga", testing::tgaBytes(320, 240, 32, filled(320 * 240, kRedOverlay)));
  folder.write("dravo.tga", testing::tgaBytes(320, 240, 32, filled(320 * 240, kBlueOverlay)));
  setDataDirectory(folder.path());
  initBlobScene();
  setDataDirectory("data");
  testing::OwnedImage frame(kFrameWidth, kFrameHeight);
  rearmBlobSceneFlash();
  renderFrame(frame.image, 0.0f);
}

// The show's generator, worked out independently: state = state * 214013 + 2531011.
std::vector<int> randomSequence(size_t count) {
  std::vector<int> values;
  uint32_t state = 1;
  for (size_t i = 0; i < count; ++i) {
    state = state * 214013u + 2531011u;
    values.push_back(static_cast<int>((state >> 16) & 0x7FFF));
  }
  return values;
}

constexpr size_t kDrawsPerFrame = 1 + 320 * 240 + 1;

TEST(BlobSceneTest, FirstFrameIsFlashedWhite) {
  ensureBlobScene();
  testing::OwnedImage frame(kFrameWidth, kFrameHeight);
  rearmBlobSceneFlash();
  renderFrame(frame.image, 3000.0f);
  for (size_t i = 0; i < frame.image.pixelCount(); ++i) ASSERT_EQ(frame.image.pixels[i], 0xFEFEFEFEu) << "pixel " << i;
  rearmBlobSceneFlash();
  renderFrame(frame.image, 0.0f);
}

TEST(BlobSceneTest, OverlayChangesAt3700) {
  ensureBlobScene();
  testing::OwnedImage frame(kFrameWidth, kFrameHeight);
  const uint32_t centre = 120 * 320 + 160;
  renderFrame(frame.image, 3699.9f);
  EXPECT_GE((frame.image.pixels[centre] >> 16) & 0xFF, 0xF0u);
  EXPECT_EQ(frame.image.pixels[centre] & 0xFF, 0u);
  renderFrame(frame.image, 3700.0f);
  EXPECT_EQ((frame.image.pixels[centre] >> 16) & 0xFF, 0u);
  EXPECT_GE(frame.image.pixels[centre] & 0xFF, 0xF0u);
}

// One draw for the camera, one per pixel for the grain, one for the flickering blur, in
// this order. The covering overlay makes the frame one flat colour unless it is blurred
// afterwards, which shows where the blur's draw was taken.
TEST(BlobSceneTest, ThreeKindsOfRandomDrawsInOrder) {
  ensureBlobScene();
  const std::vector<int> sequence = randomSequence(2 * kDrawsPerFrame + 400);
  const float t = 3500.0f;  // blur radii 0 (vertical) and 7 (horizontal) at this time
  testing::OwnedImage frame(kFrameWidth, kFrameHeight);
  for (const bool blurred : {false, true}) {
    // Skip ahead until the frame's last draw decides as wanted and its second draw the
    // other way round.
    size_t skip = 0;
    while ((sequence[skip + kDrawsPerFrame - 1] % 10 > 5) != blurred || (sequence[skip + 1] % 10 > 5) == blurred) {
      ++skip;
    }
    resetSceneRandom();
    for (size_t i = 0; i < skip; ++i) sceneRandom();
    renderFrame(frame.image, t);
    EXPECT_EQ(blobSceneCamera().eye.z, static_cast<float>(sequence[skip] % 200 - 500));
    EXPECT_EQ(sceneRandom(), sequence[skip + kDrawsPerFrame]);
    const uint32_t corner = frame.image.pixels[0];
    const uint32_t middle = frame.image.pixels[120 * 320 + 160];
    if (blurred) {
      EXPECT_LT((corner >> 16) & 0xFF, (middle >> 16) & 0xFF);
    } else {
      EXPECT_EQ(corner, 0x00FE0000u);
      EXPECT_EQ(middle, 0x00FE0000u);
    }
  }
}

TEST(BlobSceneTest, BlobCentresStayInsideTheirCube) {
  ensureBlobScene();
  testing::OwnedImage frame(kFrameWidth, kFrameHeight);
  const IsoSurface& surface = blobSceneSurface();
  ASSERT_EQ(surface.sources.count, 4);
  for (float t = 3000.0f; t < 4700.0f; t += 53.7f) {
    renderFrame(frame.image, t);
    EXPECT_GT(surface.mesh.faceCount, 500) << "t " << t;
    EXPECT_GT(depthWritten(), 5000) << "t " << t;  // the blobs are drawn
    for (int32_t i = 0; i < 4; ++i) {
      const Vec3& p = surface.sources.data()[i]->position;
      EXPECT_LE(p.x, 48.0f);
      EXPECT_GE(p.x, -48.0f);
      EXPECT_LE(p.y, 48.0f);
      EXPECT_GE(p.y, -48.0f);
      EXPECT_LE(p.z, 48.0f);
      EXPECT_GE(p.z, -48.0f);
    }
  }
}

}  // namespace
}  // namespace orvanta
