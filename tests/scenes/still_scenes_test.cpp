#include <gtest/gtest.h>

#include <vector>

#include "image/test_pictures.h"
#include "scenes/data_files.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

std::vector<uint32_t> words(const Image& image) { return {image.pixels, image.pixels + image.pixelCount()}; }

class StillScenes : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint32_t> picture(320 * 240);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint32_t>(i * 2654435761u);
    picture[239 * 320] = 0xFF000000;  // the first file row is the bottom of the picture
    folder.write("progress.tga", testing::tgaBytes(320, 240, 32, picture));
    picture[239 * 320] = 0xCAFEF00D;
    folder.write("l33t.tga", testing::tgaBytes(320, 240, 32, picture));
    setDataDirectory(folder.path());
  }
  void TearDown() override { setDataDirectory("data"); }

  testing::ScratchFolder folder;
};

TEST_F(StillScenes, IntroFlickersGrainsAndBrightensItsPicture) {
  initIntroScene();
  OwnedImage frame(320, 240);
  frame.image.fill(0x55555555);
  resetSceneRandom();
  renderIntroScene(frame.image, 0.0f);
  // Top-left pixel 0xFF000000: fade level 41 % 48 = 41 gives colour 255 * 41 >> 8 = 40 and
  // alpha 213 + 40 = 253; grain 18467 % 30 = 17 leaves 23; brightening gives 23 + 22 = 45.
  EXPECT_EQ(frame.at(0, 0), 0xFD2D2D2Du);

  // 1 + 76 800 draws per frame, and the time does not matter.
  resetSceneRandom();
  for (int i = 0; i < 1 + 76800; ++i) sceneRandom();
  const int afterOneFrame = sceneRandom();
  resetSceneRandom();
  OwnedImage again(320, 240);
  renderIntroScene(again.image, 1234.0f);
  EXPECT_EQ(sceneRandom(), afterOneFrame);
  EXPECT_EQ(words(again.image), words(frame.image));
}

TEST_F(StillScenes, EndShowsItsPictureUnchangedWithoutDrawing) {
  initEndScene();
  OwnedImage frame(320, 240);
  resetSceneRandom();
  renderEndScene(frame.image, 9500.0f);
  EXPECT_EQ(frame.at(0, 0), 0xCAFEF00Du);
  EXPECT_EQ(frame.at(319, 239), static_cast<uint32_t>(319 * 2654435761u));
  EXPECT_EQ(sceneRandom(), 41);
}

}  // namespace
}  // namespace orvanta
