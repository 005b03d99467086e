#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/blend_kernels.h"
#include "image/effects.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

TEST(FadeTo, LevelZeroScalesByTwoFiftyFiveOverTwoFiftySix) {
  // The formula, not the "unchanged" shorthand: (p * 255) >> 8 per byte.
  OwnedImage owned(3, 1);
  owned.image.pixels[0] = 0xFFFFFFFF;
  owned.image.pixels[1] = 0x80402010;
  owned.image.pixels[2] = 0;
  owned.image.fadeTo(0, 0x12345678);
  EXPECT_EQ(owned.image.pixels[0], 0xFEFEFEFEu);
  EXPECT_EQ(owned.image.pixels[1], 0x7F3F1F0Fu);
  EXPECT_EQ(owned.image.pixels[2], 0u);
}

TEST(FadeTo, FullLevelGivesTheScaledColourWhateverThePixel) {
  OwnedImage owned(5, 1);
  testing::fillRandom(owned.image, 3);
  owned.image.fadeTo(0x1FF, 0xFFFFFFFFu);  // only the low byte counts
  for (int i = 0; i < 5; ++i) EXPECT_EQ(owned.image.pixels[i], 0xFEFEFEFEu);
}

TEST(FadeTo, MixesEveryByteAlphaIncluded) {
  OwnedImage owned(1, 1);
  owned.image.pixels[0] = 0x00FF8040;
  owned.image.fadeTo(64, 0xFF000000);
  // alpha (0*191>>8)+(255*64>>8) = 63; red 255*191>>8 = 190; green 128*191>>8 = 95; blue 64*191>>8 = 47
  EXPECT_EQ(owned.image.pixels[0], 0x3FBE5F2Fu);
}

TEST(Brighten, NearlyDoublesColourAndKeepsAlpha) {
  OwnedImage owned(2, 1);
  owned.image.pixels[0] = 0x80402010;
  owned.image.pixels[1] = 0x01FF80C0;
  owned.image.brighten(255);
  EXPECT_EQ(owned.image.pixels[0], 0x807F3F1Fu);
  EXPECT_EQ(owned.image.pixels[1], 0x01FFFFFFu);
  owned.image.pixels[0] = 0x80402010;
  owned.image.brighten(0x180);  // amount 0x80: c + c/2
  EXPECT_EQ(owned.image.pixels[0], 0x80603018u);
}

TEST(ModulateInto, MultipliesTheTargetByteByByte) {
  OwnedImage mask(2, 1);
  OwnedImage target(2, 1);
  mask.image.fill(0xFFFFFFFF);
  target.image.fill(0xFFFFFFFF);
  mask.image.modulateInto(target.image);
  EXPECT_EQ(target.image.pixels[1], 0xFEFEFEFEu);
  EXPECT_EQ(mask.image.pixels[1], 0xFFFFFFFFu);  // the mask itself is unchanged

  mask.image.pixels[0] = 0x80FF4000;
  target.image.pixels[0] = 0xFF80FF10;
  mask.image.modulateInto(target.image);
  EXPECT_EQ(target.image.pixels[0], 0x7F7F3F00u);

  mask.image.clear();
  mask.image.modulateInto(target.image);
  EXPECT_EQ(target.image.pixels[0], 0u);
}

TEST(BlendImage, SourceAlphaIsATransparency) {
  OwnedImage source(3, 1);
  OwnedImage destination(3, 1);
  source.image.pixels[0] = 0x00FF0000;
  source.image.pixels[1] = 0xFFFF0000;
  source.image.pixels[2] = 0x80204080;
  destination.image.fill(0xFF0000FF);
  blendImage(source.image, &destination.image);
  EXPECT_EQ(destination.image.pixels[0], 0x00FE0000u);
  EXPECT_EQ(destination.image.pixels[1], 0x000000FEu);
  // a = 128: red 32*127>>8 = 15, green 64*127>>8 = 31, blue (128*127>>8)+(255*128>>8) = 63+127
  EXPECT_EQ(destination.image.pixels[2], 0x000F1FBEu);
}

TEST(WholeImageBlends, StayWithinTheSmallerImageAndSkipMissingPixels) {
  OwnedImage big(4, 4);
  OwnedImage small(2, 1);
  big.image.fill(0xFFFFFFFF);
  small.image.fill(0xFFFFFFFF);
  big.image.modulateInto(small.image);  // count bounded by the 2-pixel target
  blendImage(big.image, &small.image);  // source alpha 255: keeps the destination, alpha 0
  EXPECT_EQ(small.image.pixels[1], 0x00FDFDFDu);

  Image empty;
  empty.fadeTo(10, 0);
  empty.brighten(255);
  empty.modulateInto(big.image);
  big.image.modulateInto(empty);
  blendImage(empty, &big.image);
  blendImage(big.image, &empty);
  EXPECT_EQ(big.image.pixels[15], 0xFFFFFFFFu);
}

// The vector paths against the per-byte formulas, on random pixels and every tail length.
TEST(WholeImageBlends, VectorPathsEqualThePerByteFormulas) {
  std::mt19937 generator(20240611);
  for (int round = 0; round < 400; ++round) {
    const size_t count = 1 + generator() % 67;
    std::vector<uint32_t> a(count), b(count);
    for (auto& w : a) w = generator();
    for (auto& w : b) w = generator();
    // Extreme bytes matter most: mix some 0x00 and 0xFF words in.
    if (round % 3 == 0) a[generator() % count] = 0xFFFFFFFF;
    if (round % 5 == 0) b[generator() % count] = 0;
    const uint32_t level = generator();
    const uint32_t colour = generator();

    std::vector<uint32_t> plain = a, fast = a;
    kernels::fadeToPlain(plain.data(), count, level, colour);
    kernels::fadeToSse2(fast.data(), count, level, colour);
    ASSERT_EQ(plain, fast) << "fadeTo level " << level;

    plain = a, fast = a;
    kernels::brightenPlain(plain.data(), count, level);
    kernels::brightenSse2(fast.data(), count, level);
    ASSERT_EQ(plain, fast) << "brighten " << level;

    plain = b, fast = b;
    kernels::modulatePlain(a.data(), plain.data(), count);
    kernels::modulateSse2(a.data(), fast.data(), count);
    ASSERT_EQ(plain, fast) << "modulate";

    plain = b, fast = b;
    kernels::blendOverPlain(a.data(), plain.data(), count);
    kernels::blendOverSse2(a.data(), fast.data(), count);
    ASSERT_EQ(plain, fast) << "blend";
  }
}

TEST(WholeImageBlends, WideVectorPathsEqualThePerByteFormulas) {
  if (!kernels::hasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 generator(7);
  for (int round = 0; round < 400; ++round) {
    const size_t count = 1 + generator() % 83;
    std::vector<uint32_t> a(count), b(count);
    for (auto& w : a) w = generator();
    for (auto& w : b) w = generator();
    if (round % 3 == 0) a[generator() % count] = 0xFFFFFFFF;
    if (round % 5 == 0) b[generator() % count] = 0;
    const uint32_t level = generator();
    const uint32_t colour = generator();

    std::vector<uint32_t> plain = a, fast = a;
    kernels::fadeToPlain(plain.data(), count, level, colour);
    kernels::fadeToAvx2(fast.data(), count, level, colour);
    ASSERT_EQ(plain, fast) << "fadeTo level " << level;

    plain = a, fast = a;
    kernels::brightenPlain(plain.data(), count, level);
    kernels::brightenAvx2(fast.data(), count, level);
    ASSERT_EQ(plain, fast) << "brighten " << level;

    plain = b, fast = b;
    kernels::modulatePlain(a.data(), plain.data(), count);
    kernels::modulateAvx2(a.data(), fast.data(), count);
    ASSERT_EQ(plain, fast) << "modulate";

    plain = b, fast = b;
    kernels::blendOverPlain(a.data(), plain.data(), count);
    kernels::blendOverAvx2(a.data(), fast.data(), count);
    ASSERT_EQ(plain, fast) << "blend";
  }
}

}  // namespace
}  // namespace orvanta
