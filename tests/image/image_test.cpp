#include "image/image.h"

#include <gtest/gtest.h>

namespace orvanta {
namespace {

TEST(PackArgb, UsesOnlyTheLowByteOfEachChannel) {
  EXPECT_EQ(packArgb(0x1FF, 0, 0, 0), 0x00FF0000u);
  EXPECT_EQ(packArgb(0, 0, 0, 0), 0u);
  EXPECT_EQ(packArgb(0x12, 0x34, 0x56, 0x78), 0x78123456u);
}

TEST(ImageBuffer, CreateFillClearAndCopy) {
  Image image;
  image.create(320, 240);
  ASSERT_EQ(image.pixelCount(), 76800u);
  for (size_t i = 0; i < image.pixelCount(); ++i) ASSERT_EQ(image.pixels[i], 0u);

  image.fill(0xDEADBEEF);
  EXPECT_EQ(image.pixels[0], 0xDEADBEEFu);
  EXPECT_EQ(image.pixels[76799], 0xDEADBEEFu);

  Image copy;
  copy.create(320, 240);
  copyImage(image, &copy);
  EXPECT_EQ(copy.pixels[12345], 0xDEADBEEFu);

  image.clear();
  EXPECT_EQ(image.pixels[76799], 0u);
  releasePixels(image);
  releasePixels(copy);
}

TEST(ImageBuffer, EmptyImagesAreLeftAlone) {
  Image empty;
  empty.fill(0x12345678);
  empty.clear();
  Image small;
  small.create(2, 2);
  small.fill(7);
  copyImage(small, &empty);  // no array: nothing is written
  copyImage(empty, &small);  // nothing to copy
  EXPECT_EQ(small.pixels[3], 7u);
  releasePixels(small);
}

TEST(ImageBuffer, CopyIsBoundedByTheSmallerImage) {
  Image big;
  big.create(4, 4);
  big.fill(9);
  Image small;
  small.create(2, 2);
  copyImage(big, &small);
  EXPECT_EQ(small.pixels[3], 9u);
  releasePixels(big);
  releasePixels(small);
}

}  // namespace
}  // namespace orvanta
