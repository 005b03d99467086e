#include "scenes/toolkit.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <utility>
#include <vector>

#include "image/add_noise_kernels.h"
#include "image/blend_kernels.h"
#include "image/effects.h"
#include "scenes/scene_test_support.h"

namespace orvanta {
namespace {

using testing::drawsDuring;
using testing::fillRandom;
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

// The grain runs several generator states side by side (four or sixteen): every path must
// still follow the one sequence, pixel by pixel, for any amount and length.
TEST(AddNoise, EveryPathFollowsTheSequencePixelByPixel) {
  using Path = uint32_t (*)(uint32_t*, size_t, int, uint32_t);
  const struct {
    const char* name;
    bool available;
    Path run;
  } paths[] = {{"dispatched", true,
                [](uint32_t* pixels, size_t count, int amount, uint32_t state) {
                  Image image;
                  image.width = static_cast<int32_t>(count), image.height = 1, image.pixels = pixels;
                  gSceneRandomState = state;
                  addNoise(image, amount);
                  return gSceneRandomState;
                }},
               {"reference", true, kernels::addNoiseReference},
#if ORVANTA_X86_VECTORS
               {"sse2", true, kernels::addNoiseSse2},
               {"avx2", cpu::hasAvx2(), kernels::addNoiseAvx2},
#endif
  };
  std::mt19937 generator(7);
  for (int amount : {2, 7, 10, 30, 255, 256, 1000, 32767, 32768, -30, 0, 1, -1, INT_MIN}) {
    for (size_t count : {size_t{0}, size_t{15}, size_t{16}, size_t{17}, size_t{333}, size_t{76800}}) {
      Words before(count);
      for (uint32_t& word : before) word = static_cast<uint32_t>(generator());
      resetSceneRandom();
      for (int i = 0; i < 3; ++i) sceneRandom();  // start mid-sequence
      const uint32_t start = gSceneRandomState;
      Words expected = before;
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
      const uint32_t end = gSceneRandomState;
      for (const auto& path : paths) {
        if (!path.available) continue;
        Words actual = before;
        EXPECT_EQ(path.run(actual.data(), count, amount, start), end) << path.name;
        ASSERT_EQ(actual, expected) << path.name << " " << amount << " " << count;
      }
    }
  }
}

// The one-sweep grain, mask and brightening against the separate passes: the same words and
// the same draws, for frames that are not a whole number of blocks, masks that cover only
// part of the frame, and each number of brightenings.
TEST(AddNoiseThenBrighten, EqualsTheSeparatePasses) {
  for (const auto& [width, height] : {std::pair{320, 240}, std::pair{37, 29}, std::pair{1, 1}}) {
    for (const int maskRows : {-1, height, height / 2}) {  // -1: no mask
      for (const int amount : {10, 20, 0, -7, 40000}) {
        for (const int brightenings : {0, 1, 2}) {
          OwnedImage separate(width, height);
          OwnedImage swept(width, height);
          fillRandom(separate.image, static_cast<uint32_t>(width * 31 + amount));
          copyImage(separate.image, &swept.image);
          OwnedImage mask(width, maskRows > 0 ? maskRows : 1);
          fillRandom(mask.image, 99);
          const Image* maskUsed = maskRows >= 0 ? &mask.image : nullptr;

          resetSceneRandom();
          addNoise(separate.image, amount);
          if (maskUsed != nullptr) maskUsed->modulateInto(separate.image);
          for (int k = 0; k < brightenings; ++k) separate.image.brighten(255);
          const uint32_t stateAfterPasses = gSceneRandomState;

          resetSceneRandom();
          addNoiseThenBrighten(swept.image, amount, brightenings, maskUsed);
          ASSERT_EQ(gSceneRandomState, stateAfterPasses);
          ASSERT_EQ(swept.words(), separate.words())
              << width << "x" << height << " mask rows " << maskRows << " amount " << amount << " brightenings "
              << brightenings;
        }
      }
    }
  }
}

// The multiply-and-shift remainder of the vector lanes against the division, over every
// draw, for the small divisors, those around each power of two and the largest.
TEST(AddNoise, LaneDivisorGivesTheRemainderOfEveryDraw) {
  std::vector<int> divisors;
  for (int d = 2; d <= 600; ++d) divisors.push_back(d);
  for (int power = 1 << 10; power <= 1 << 15; power <<= 1) {
    for (int d : {power - 1, power, power + 1, power + 7}) {
      if (d <= 32767) divisors.push_back(d);
    }
  }
  divisors.push_back(32767);
  for (int amount : divisors) {
    const kernels::NoiseDivisor d = kernels::NoiseDivisor::of(amount);
    ASSERT_LT(d.multiplier, 65536u) << amount;
    for (uint32_t draw = 0; draw < 32768; ++draw) {
      const uint32_t expected = draw % static_cast<uint32_t>(amount);
      ASSERT_EQ(d.grain(draw), expected < 255 ? expected : 255) << amount << " " << draw;
    }
  }
  for (int amount : {0, 1, -1}) EXPECT_EQ(kernels::NoiseDivisor::of(amount).grain(12345), 0u) << amount;
  for (int amount : {32768, 100000, INT_MIN}) {
    EXPECT_EQ(kernels::NoiseDivisor::of(amount).grain(200), 200u) << amount;
    EXPECT_EQ(kernels::NoiseDivisor::of(amount).grain(20000), 255u) << amount;
  }
  EXPECT_EQ(kernels::NoiseDivisor::of(-30).grain(41), 11u);
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
