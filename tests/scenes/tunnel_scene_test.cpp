#include "scenes/tunnel_scene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/test_pictures.h"
#include "scenes/data_files.h"
#include "scenes/random_draws.h"

namespace orvanta {
namespace {

using testing::drawsBetween;
using testing::OwnedImage;

std::vector<uint32_t> uniform(int32_t count, uint32_t word) {
  return std::vector<uint32_t>(static_cast<size_t>(count), word);
}

void releaseScene(TunnelScene& scene) {
  releasePixels(scene.base);
  releasePixels(scene.heightMap);
  releasePixels(scene.envMap);
  releasePixels(scene.logo);
  releasePixels(scene.blurWork);
}

class TunnelSceneFrames : public ::testing::Test {
 protected:
  // Loads the scene from a folder of uniform pictures.
  void load(uint32_t base, uint32_t height, uint32_t env, uint32_t logo) {
    folder.write("tex0132.tga", testing::tgaBytes(256, 256, 32, uniform(65536, base)));
    folder.write("tex01b3.tga", testing::tgaBytes(256, 256, 32, uniform(65536, height)));
    folder.write("kvennenv2.tga", testing::tgaBytes(256, 256, 32, uniform(65536, env)));
    folder.write("trovask.tga", testing::tgaBytes(320, 240, 32, uniform(320 * 240, logo)));
    setDataDirectory(folder.path());
    scene.load();
  }
  void TearDown() override {
    setDataDirectory("data");
    releaseScene(scene);
  }

  bool everyWordIs(uint32_t word) const {
    for (size_t i = 0; i < frame.image.pixelCount(); ++i) {
      if (frame.image.pixels[i] != word) return false;
    }
    return true;
  }

  testing::ScratchFolder folder;
  TunnelScene scene;
  OwnedImage frame{kFrameWidth, kFrameHeight};
};

TEST_F(TunnelSceneFrames, FlashesWhiteOnTheFirstFrameAndFadesOutIn60Centiseconds) {
  // Black textures under an opaque black logo: every frame is black before the flash.
  load(0, 0, 0, 0);
  scene.render(frame.image, 1531.5f);
  EXPECT_TRUE(everyWordIs(0xFEFEFEFEu));
  // 59 cs later: level trunc(255 - 59 / 60 * 255) = 4, and 255 * 4 >> 8 = 3.
  scene.render(frame.image, 1590.5f);
  EXPECT_TRUE(everyWordIs(0x03030303u));
  scene.render(frame.image, 1591.5f);
  EXPECT_TRUE(everyWordIs(0u));
}

TEST_F(TunnelSceneFrames, CameraFollowsTheShowTime) {
  load(0, 0, 0, 0);
  EXPECT_EQ(scene.tunnel.position.z, -256.0f);  // the start-up view
  scene.render(frame.image, 1530.0f);
  EXPECT_EQ(scene.tunnel.position.x, 0.0f);
  EXPECT_EQ(scene.tunnel.position.z, -3519.0f);
  // 30 sin(10.68110) and 30 sin(13.35137): about (-28.53, 21.20) degrees.
  EXPECT_NEAR(scene.tunnel.angles.x, -28.5288f, 0.0005f);
  EXPECT_NEAR(scene.tunnel.angles.y, 21.2048f, 0.0005f);
  EXPECT_EQ(scene.tunnel.angles.z, 0.0f);
  EXPECT_EQ(scene.tunnel.uOffset, 1071.0f);
  EXPECT_EQ(scene.tunnel.vOffset, 459.0f);
}

TEST_F(TunnelSceneFrames, EachFrameDrawsOneRandomNumber) {
  load(0x00808080u, 0x00400000u, 0x00101010u, 0xFF000000u);
  for (float t = 1530.0f; t < 1700.0f; t += 17.0f) {
    const uint32_t before = gSceneRandomState;
    scene.render(frame.image, t);
    EXPECT_EQ(drawsBetween(before, gSceneRandomState), 1) << t;
  }
}

TEST_F(TunnelSceneFrames, TunnelShowsThroughTheLogoWithItsTexturesInTheirRoles) {
  // Red base plus blue environment, no bumps; a fully transparent logo keeps the tunnel.
  load(0x00600000u, 0u, 0x00000060u, 0xFF000000u);
  scene.render(frame.image, 1530.0f);
  scene.render(frame.image, 1600.0f);  // after the flash
  int32_t purple = 0;
  for (size_t i = 0; i < frame.image.pixelCount(); ++i) {
    const uint32_t pixel = frame.image.pixels[i];
    ASSERT_EQ(pixel & 0xFF00FF00u, 0u) << i;  // no green; alpha cleared by the blend
    if ((pixel >> 16) != 0 && (pixel & 0xFF) != 0) ++purple;
  }
  EXPECT_GT(purple, 70000);
}

TEST_F(TunnelSceneFrames, OpaqueLogoCoversTheTunnelAndIsBrightened) {
  load(0x00FFFFFFu, 0u, 0x00FFFFFFu, 0x00404040u);
  // Start the generator where the next two draws (6334, 26500) leave both frames unblurred.
  resetSceneRandom();
  sceneRandom();
  sceneRandom();
  scene.render(frame.image, 1530.0f);
  scene.render(frame.image, 1600.0f);
  // 0x40 * 255 >> 8 = 0x3F, then brightened: 0x3F + 0x3E = 0x7D.
  EXPECT_EQ(frame.at(160, 120), 0x007D7D7Du);
}

TEST_F(TunnelSceneFrames, MissingPicturesLeaveAPlainFrameAndTheSameDraw) {
  setDataDirectory(folder.path());  // empty: every load is reported and skipped
  scene.load();
  scene.render(frame.image, 1530.0f);
  EXPECT_TRUE(everyWordIs(0xFEFEFEFEu));
  const uint32_t before = gSceneRandomState;
  scene.render(frame.image, 1600.0f);
  EXPECT_TRUE(everyWordIs(0u));
  EXPECT_EQ(drawsBetween(before, gSceneRandomState), 1);
}

}  // namespace
}  // namespace orvanta
