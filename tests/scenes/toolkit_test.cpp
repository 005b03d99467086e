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

using testing::fillRandom;
using testing::OwnedImage;
using Words = std::vector<uint32_t>;

TEST(ShowRandom, StartsFromStateOneAndStaysInFifteenBits) {
  ShowRandom random;
  EXPECT_EQ(random.next(), 41);
  EXPECT_EQ(random.next(), 18467);
  EXPECT_EQ(random.next(), 6334);
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(random.next() & ~0x7FFF, 0);
  ShowRandom other;  // each generator has its own sequence
  EXPECT_EQ(other.next(), 41);
}

TEST(ShowRandom, DiscardMovesOnAsManyDrawsAsItIsGiven) {
  for (const uint64_t count : {0ull, 1ull, 2ull, 3ull, 7ull, 76800ull, 76802ull, 1000003ull}) {
    ShowRandom drawn;
    drawn.next();  // not from the first state only
    ShowRandom skipped = drawn;
    for (uint64_t i = 0; i < count; ++i) drawn.next();
    skipped.discard(count);
    EXPECT_EQ(skipped.state(), drawn.state()) << count;
  }
  // The sequence repeats after 2^32 draws.
  ShowRandom whole;
  whole.next();
  const uint32_t before = whole.state();
  whole.discard(uint64_t{1} << 32);
  EXPECT_EQ(whole.state(), before);
}

TEST(AddNoise, SubtractsOneDrawPerPixelFromTheColourBytes) {
  OwnedImage image(3, 1);
  image.image.pixels[0] = 0x80102030;  // d = 41 % 30 = 11
  image.image.pixels[1] = 0x7F10FF05;  // d = 18467 % 30 = 17
  image.image.pixels[2] = 0x01020304;  // d = 6334 % 30 = 4
  ShowRandom random;
  EXPECT_EQ(testing::drawsDuring(random, [&] { addNoise(image.image, 30, random); }), 3);
  EXPECT_EQ(image.words(), (Words{0x80051525, 0x7F00EE00, 0x01000000}));
  image.image.fill(0xFFFFFFFF);
  random = ShowRandom();
  random.next();
  addNoise(image.image, 100000, random);  // d = 18467 for the first pixel: its colour bytes end at 0
  EXPECT_EQ(image.image.pixels[0], 0xFF000000u);
  // A negative amount divides like its magnitude (C's remainder), 0 and 1 add no grain:
  // draws 41, 18467, 6334 give 11, 17, 4 for -30.
  for (const auto& [amount, expected] : {std::pair{-30, Words{0x80051525, 0x7F00EE00, 0x01000000}},
                                        std::pair{0, Words{0x80102030, 0x7F10FF05, 0x01020304}},
                                        std::pair{1, Words{0x80102030, 0x7F10FF05, 0x01020304}}}) {
    image.image.pixels[0] = 0x80102030, image.image.pixels[1] = 0x7F10FF05, image.image.pixels[2] = 0x01020304;
    random = ShowRandom();
    addNoise(image.image, amount, random);
    EXPECT_EQ(image.words(), expected) << amount;
    EXPECT_EQ(random.next(), 26500) << amount;  // the fourth draw: one per pixel was taken
  }
}

// The grain runs several generator states side by side (four or 32): every path must
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
                  ShowRandom random;
                  random.setState(state);
                  addNoise(image, amount, random);
                  return random.state();
                }},
               {"reference", true, kernels::addNoiseReference},
#if ORVANTA_X86_VECTORS
               {"sse2", true, kernels::addNoiseSse2},
               {"avx2", cpu::hasAvx2(), kernels::addNoiseAvx2},
#endif
  };
  std::mt19937 generator(7);
  for (int amount : {2, 7, 10, 30, 255, 256, 1000, 32767, 32768, -30, 0, 1, -1, INT_MIN}) {
    for (size_t count : {size_t{0}, size_t{15}, size_t{16}, size_t{17}, size_t{31}, size_t{32}, size_t{33}, size_t{333}, size_t{76800}}) {
      Words before(count);
      for (uint32_t& word : before) word = static_cast<uint32_t>(generator());
      ShowRandom random;
      for (int i = 0; i < 3; ++i) random.next();  // start mid-sequence
      const uint32_t start = random.state();
      Words expected = before;
      for (uint32_t& word : expected) {
        const int draw = random.next();
        const uint32_t d = amount == 0 ? 0u : static_cast<uint32_t>(draw % amount);
        uint32_t out = word & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
          const uint32_t c = (word >> shift) & 0xFFu;
          out |= (c > d ? c - d : 0u) << shift;
        }
        word = out;
      }
      const uint32_t end = random.state();
      for (const auto& path : paths) {
        if (!path.available) continue;
        Words actual = before;
        EXPECT_EQ(path.run(actual.data(), count, amount, start), end) << path.name;
        ASSERT_EQ(actual, expected) << path.name << " " << amount << " " << count;
      }
    }
  }
}

// The whole frame's finishing sweep against the separate passes: the same words and the same
// draws, for frames that are not a whole number of blocks, masks and overlays that cover only
// part of the frame, and each number of brightenings.
TEST(FinishFrame, EqualsTheSeparatePasses) {
  for (const auto& [width, height] : {std::pair{320, 240}, std::pair{37, 29}, std::pair{1, 1}}) {
    for (const int maskRows : {-1, height, height / 2}) {  // -1: none
      const int overlayRows = maskRows < 0 ? -1 : height - maskRows / 3;
      for (const int amount : {10, 20, 0, -7, 40000}) {
        for (const int brightenings : {0, 1, 2}) {
          OwnedImage separate(width, height);
          OwnedImage swept(width, height);
          fillRandom(separate.image, static_cast<uint32_t>(width * 31 + amount));
          copyImage(separate.image, swept.image);
          OwnedImage mask(width, maskRows > 0 ? maskRows : 1);
          OwnedImage overlay(width, overlayRows > 0 ? overlayRows : 1);
          fillRandom(mask.image, 99);
          fillRandom(overlay.image, 98);
          FrameFinish finish{.amount = amount, .brightenings = brightenings};
          if (maskRows >= 0) finish.mask = &mask.image;
          if (overlayRows >= 0) finish.overlay = &overlay.image;

          ShowRandom passes;
          addNoise(separate.image, amount, passes);
          if (finish.mask != nullptr) finish.mask->modulateInto(separate.image);
          for (int k = 0; k < brightenings; ++k) separate.image.brighten(255);
          if (finish.overlay != nullptr) blendImage(*finish.overlay, separate.image);

          ShowRandom sweep;
          finishFrame(swept.image, finish, sweep);
          ASSERT_EQ(sweep.state(), passes.state());
          ASSERT_EQ(swept.words(), separate.words())
              << width << "x" << height << " mask rows " << maskRows << " amount " << amount << " brightenings "
              << brightenings;
        }
      }
    }
  }
}

// The copy, fade and finish in one sweep against the passes one after the other, for pictures
// smaller than, larger than and the same as the frame, the picture being the frame itself,
// and fades from none to full.
TEST(CopyFadeThenFinish, EqualsTheSeparatePasses) {
  for (const auto& [width, height] : {std::pair{320, 240}, std::pair{37, 29}}) {
    for (const int pictureRows : {height, height / 3, height + 5, 0}) {  // 0: the frame itself
      for (const uint32_t level : {0u, 47u, 255u, 0x1FFu}) {
        OwnedImage separate(width, height);
        OwnedImage swept(width, height);
        fillRandom(separate.image, level + static_cast<uint32_t>(pictureRows));
        copyImage(separate.image, swept.image);
        OwnedImage picture(width, pictureRows > 0 ? pictureRows : 1);
        fillRandom(picture.image, 7);
        OwnedImage mask(width, height);
        fillRandom(mask.image, 8);
        const FrameFinish finish{.amount = 30, .brightenings = 1, .mask = &mask.image};

        ShowRandom passes;
        copyImage(pictureRows > 0 ? picture.image : separate.image, separate.image);
        separate.image.fadeTo(level, kWhite);
        addNoise(separate.image, finish.amount, passes);
        mask.image.modulateInto(separate.image);
        separate.image.brighten(255);

        ShowRandom sweep;
        copyFadeThenFinish(pictureRows > 0 ? picture.image : swept.image, swept.image, level, kWhite, finish, sweep);
        ASSERT_EQ(sweep.state(), passes.state());
        ASSERT_EQ(swept.words(), separate.words()) << width << "x" << height << " rows " << pictureRows << " level "
                                                   << level;
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

TEST(FlickerBlur, DrawsOnceAndBlursFourFramesInTenVerticallyThenAcross) {
  OwnedImage frame(320, 240, 0x80808080u), work(320, 240);
  ShowRandom random;
  auto flicker = [&] { flickerBlur(frame.image, work.image, 0.0f, random); };
  EXPECT_EQ(testing::drawsDuring(random, flicker), 1);  // 41 % 10 = 1: no blur
  EXPECT_EQ(frame.words(), Words(320 * 240, 0x80808080u));
  EXPECT_EQ(testing::drawsDuring(random, flicker), 1);  // 18467 % 10 = 7: blurred
  // Both radii are (sin 0 + 1) * 8, the weight 65536 / 17 = 3855. Inside: 17 * 128 * 3855 >> 16
  // = 127, then 17 * 127 * 3855 >> 16 = 126. Near a line end only 9 pixels count: 9 * 128 gives
  // 67, so the top row is 67 before the horizontal pass (17 * 67 -> 66, 9 * 67 -> 35), and
  // the left column gets 9 * 127 -> 67 from it.
  EXPECT_EQ(frame.at(160, 120), 0x7E7E7E7Eu);
  EXPECT_EQ(frame.at(0, 0), 0x23232323u);
  EXPECT_EQ(frame.at(160, 0), 0x42424242u);
  EXPECT_EQ(frame.at(0, 120), 0x43434343u);
  EXPECT_EQ(frame.at(319, 239), 0x23232323u);
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
