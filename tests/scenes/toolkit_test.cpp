#include "scenes/toolkit.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/effects.h"
#include "scenes/scene_test_support.h"

namespace orvanta {
namespace {

using testing::drawsDuring;
using testing::OwnedImage;
using Words = std::vector<uint32_t>;

TEST(SceneRandom, StartsFromStateOneAndStaysInFifteenBits) {
  resetSceneRandom();
  EXPECT_EQ(sceneRandom(), 41);
  EXPECT_EQ(sceneRandom(), 18467);
  EXPECT_EQ(sceneRandom(), 6334);
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(sceneRandom() & ~0x7FFF, 0);
}

TEST(AddNoise, SubtractsOneDrawPerPixelFromTheColourBytes) {
  OwnedImage image(3, 1);
  image.image.pixels[0] = 0x80102030;  // d = 41 % 30 = 11
  image.image.pixels[1] = 0x7F10FF05;  // d = 18467 % 30 = 17
  image.image.pixels[2] = 0x01020304;  // d = 6334 % 30 = 4
  resetSceneRandom();
  EXPECT_EQ(drawsDuring([&] { addNoise(image.image, 30); }), 3);
  EXPECT_EQ(image.words(), (Words{0x80051525, 0x7F00EE00, 0x01000000}));
  image.image.fill(0xFFFFFFFF);
  resetSceneRandom();
  sceneRandom();
  addNoise(image.image, 100000);  // d = 18467 for the first pixel: its colour bytes end at 0
  EXPECT_EQ(image.image.pixels[0], 0xFF000000u);
}

// The grain runs four generator states side by side: it must still follow the one sequence,
// pixel by pixel, for any amount and length.
TEST(AddNoise, FollowsTheSequencePixelByPixel) {
  for (int amount : {30, 1, 7, 255, 256, 1000, 32767, 32768, -30, 0}) {
    for (int32_t width : {320, 1, 5, 13}) {
      OwnedImage image(width, 7);
      testing::fillRandom(image.image, static_cast<uint32_t>(amount + width));
      Words expected = image.words();
      resetSceneRandom();
      for (int i = 0; i < 3; ++i) sceneRandom();  // start mid-sequence
      const uint32_t start = gSceneRandomState;
      for (size_t i = 0; i < expected.size(); ++i) {
        const int draw = sceneRandom();
        const uint32_t d = amount == 0 ? 0u : static_cast<uint32_t>(draw % amount);
        uint32_t out = expected[i] & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
          const uint32_t c = (expected[i] >> shift) & 0xFFu;
          out |= (c > d ? c - d : 0u) << shift;
        }
        expected[i] = out;
      }
      const uint32_t end = gSceneRandomState;
      gSceneRandomState = start;
      addNoise(image.image, amount);
      EXPECT_EQ(gSceneRandomState, end);
      ASSERT_EQ(image.words(), expected) << amount << " " << width;
    }
  }
}

TEST(FlickerBlur, DrawsOnceAndBlursFourFramesInTen) {
  OwnedImage frame(320, 240), work(320, 240), original(320, 240), expected(320, 240), scratch(320, 240);
  testing::fillRandom(original.image, 17);
  copyImage(original.image, &frame.image);
  resetSceneRandom();
  EXPECT_EQ(drawsDuring([&] { flickerBlur(frame.image, work.image, 0.0f); }), 1);  // 41 % 10 = 1: no blur
  EXPECT_EQ(frame.words(), original.words());
  EXPECT_EQ(drawsDuring([&] { flickerBlur(frame.image, work.image, 0.0f); }), 1);  // 18467 % 10 = 7: blurred
  blurVertical(&scratch.image, original.image, 8);                                 // both radii (sin 0 + 1) * 8
  blurHorizontal(&expected.image, scratch.image, 8);
  EXPECT_EQ(frame.words(), expected.words());
}

TEST(FlashIn, StartsWhiteOnTheFirstFrameAndFadesOutOverSixtyCentiseconds) {
  OwnedImage frame(4, 1, 0x12345678);
  FlashIn flash;
  applyFlashIn(flash, frame.image, 1530.0f);
  EXPECT_EQ(frame.words(), Words(4, 0xFEFEFEFE));
  frame.image.clear();
  applyFlashIn(flash, frame.image, 1560.0f);  // level trunc(255 - 127.5) = 127: 255 * 127 >> 8
  EXPECT_EQ(frame.image.pixels[0], 0x7E7E7E7Eu);
  frame.image.clear();
  applyFlashIn(flash, frame.image, 1590.0f);  // 60 centiseconds on: over, and never armed again
  applyFlashIn(flash, frame.image, 5000.0f);
  EXPECT_EQ(frame.image.pixels[0], 0u);
  EXPECT_EQ(flash.startTime, 1530.0f);
}

}  // namespace
}  // namespace orvanta
