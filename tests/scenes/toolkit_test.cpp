#include "scenes/toolkit.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/effects.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

std::vector<uint32_t> words(const Image& image) { return {image.pixels, image.pixels + image.pixelCount()}; }

// The n-th value of a fresh sequence, n counted from 1.
int freshDraw(int n) {
  resetSceneRandom();
  int value = 0;
  for (int i = 0; i < n; ++i) value = sceneRandom();
  return value;
}

TEST(SceneRandom, StartsFromStateOne) {
  resetSceneRandom();
  EXPECT_EQ(sceneRandom(), 41);
  EXPECT_EQ(sceneRandom(), 18467);
  EXPECT_EQ(sceneRandom(), 6334);
  for (int i = 0; i < 100000; ++i) {
    const int value = sceneRandom();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
}

TEST(AddNoise, SubtractsOneDrawPerPixelFromTheColourBytes) {
  OwnedImage image(3, 1);
  image.image.pixels[0] = 0x80102030;  // d = 41 % 30 = 11
  image.image.pixels[1] = 0x7F10FF05;  // d = 18467 % 30 = 17
  image.image.pixels[2] = 0x01020304;  // d = 6334 % 30 = 4
  resetSceneRandom();
  addNoise(image.image, 30);
  EXPECT_EQ(words(image.image), (std::vector<uint32_t>{0x80051525, 0x7F00EE00, 0x01000000}));
  const int next4 = sceneRandom();  // before freshDraw resets the generator
  EXPECT_EQ(next4, freshDraw(4));
}

TEST(AddNoise, AmountOneChangesNothingButStillDraws) {
  OwnedImage image(7, 5);
  testing::fillRandom(image.image, 1);
  const std::vector<uint32_t> before = words(image.image);
  resetSceneRandom();
  addNoise(image.image, 1);
  EXPECT_EQ(words(image.image), before);
  const int next36 = sceneRandom();  // before freshDraw resets the generator
  EXPECT_EQ(next36, freshDraw(36));
}

TEST(AddNoise, LargeAmountsClampAtZero) {
  OwnedImage image(1, 1);
  image.image.pixels[0] = 0xFFFFFFFF;
  resetSceneRandom();
  sceneRandom();
  addNoise(image.image, 100000);  // d = 18467: every colour byte ends at 0
  EXPECT_EQ(image.image.pixels[0], 0xFF000000u);
}

// Many pixels and odd lengths: the grain must follow the one sequence exactly.
TEST(AddNoise, FollowsTheSequencePixelByPixel) {
  for (int amount : {30, 7, 255, 256, 1000, 32767, 32768, -30, 0}) {
    for (int32_t width : {320, 1, 5, 13}) {
      OwnedImage image(width, 7);
      testing::fillRandom(image.image, static_cast<uint32_t>(amount + width));
      std::vector<uint32_t> expected = words(image.image);
      resetSceneRandom();
      for (int i = 0; i < 3; ++i) sceneRandom();  // start mid-sequence
      for (uint32_t& word : expected) {
        const int draw = sceneRandom();
        const uint32_t d = amount == 0 ? 0u : static_cast<uint32_t>(draw % amount);
        uint32_t out = word & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
          const uint32_t c = (word >> shift) & 0xFFu;
          out |= (c > d ? c - d : 0u) << shift;
        }
        word = out;
      }
      const int next = sceneRandom();
      resetSceneRandom();
      for (int i = 0; i < 3; ++i) sceneRandom();
      addNoise(image.image, amount);
      ASSERT_EQ(words(image.image), expected) << amount << " " << width;
      ASSERT_EQ(sceneRandom(), next);
    }
  }
}

TEST(FlickerBlur, DrawsOnceAndBlursFourFramesInTen) {
  OwnedImage frame(320, 240), work(320, 240), original(320, 240), expected(320, 240), scratch(320, 240);
  testing::fillRandom(original.image, 17);
  copyImage(original.image, &frame.image);
  resetSceneRandom();
  flickerBlur(frame.image, work.image, 0.0f);  // 41 % 10 = 1: no blur
  EXPECT_EQ(words(frame.image), words(original.image));
  const int next2 = sceneRandom();  // before freshDraw resets the generator
  EXPECT_EQ(next2, freshDraw(2));

  resetSceneRandom();
  sceneRandom();
  flickerBlur(frame.image, work.image, 0.0f);  // 18467 % 10 = 7: both radii (sin 0 + 1) * 8 = 8
  blurVertical(&scratch.image, original.image, 8);
  blurHorizontal(&expected.image, scratch.image, 8);
  EXPECT_EQ(words(frame.image), words(expected.image));
  const int next3 = sceneRandom();  // before freshDraw resets the generator
  EXPECT_EQ(next3, freshDraw(3));
}

TEST(FlashIn, StartsWhiteAndFadesOutOverSixtyCentiseconds) {
  OwnedImage frame(4, 1);
  FlashIn flash;
  frame.image.pixels[0] = 0x12345678;
  applyFlashIn(flash, frame.image, 1530.0f);
  EXPECT_FALSE(flash.armed);
  EXPECT_EQ(flash.startTime, 1530.0f);
  EXPECT_EQ(flash.duration, 60.0f);
  EXPECT_EQ(frame.image.pixels[0], 0xFEFEFEFEu);
  EXPECT_EQ(frame.image.pixels[3], 0xFEFEFEFEu);

  frame.image.clear();
  applyFlashIn(flash, frame.image, 1560.0f);  // level trunc(255 - 127.5) = 127: 255 * 127 >> 8
  EXPECT_EQ(frame.image.pixels[0], 0x7E7E7E7Eu);

  frame.image.clear();
  applyFlashIn(flash, frame.image, 1590.0f);  // 60 centiseconds on: over
  applyFlashIn(flash, frame.image, 5000.0f);
  EXPECT_EQ(frame.image.pixels[0], 0u);
}

TEST(FlashIn, ArmsOnlyOnce) {
  OwnedImage frame(1, 1);
  FlashIn flash;
  applyFlashIn(flash, frame.image, 100.0f);
  frame.image.clear();
  applyFlashIn(flash, frame.image, 900.0f);  // a later first frame does not flash again
  EXPECT_EQ(frame.image.pixels[0], 0u);
  EXPECT_EQ(flash.startTime, 100.0f);
}

}  // namespace
}  // namespace orvanta
