#include <gtest/gtest.h>

#include "image/effects.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

TEST(SampleBilinear, WholeCoordinatesScaleThePixelByTwoFiftyFiveOverTwoFiftySix) {
  OwnedImage frame(320, 3);
  frame.at(0, 0) = 0xFFFFFFFF;
  frame.at(1, 0) = 0x12345678;
  EXPECT_EQ(sampleBilinear(frame.image.pixels, 0, 0), 0xFEFEFEFEu);
  frame.at(5, 1) = 0x80402010;
  EXPECT_EQ(sampleBilinear(frame.image.pixels, 5 << 16, 1 << 16), 0x7F3F1F0Fu);
}

TEST(SampleBilinear, WeighsTheFourNeighboursWithTruncatedWeights) {
  OwnedImage frame(320, 3);
  frame.at(10, 1) = 200;
  frame.at(11, 1) = 100;
  // Halfway across: both weights (0x7FFF * 0xFFFF) >> 24 = (0x8000 * 0xFFFF) >> 24 = 127.
  EXPECT_EQ(sampleBilinear(frame.image.pixels, (10 << 16) | 0x8000, 1 << 16), 99u + 49u);
  // Halfway down as well: the row length is 320 whatever the image says.
  frame.at(10, 2) = 40;
  frame.at(11, 2) = 255;
  // weights 63, 63, 63, 64: (200*63>>8) + (100*63>>8) + (40*63>>8) + (255*64>>8)
  EXPECT_EQ(sampleBilinear(frame.image.pixels, (10 << 16) | 0x8000, (1 << 16) | 0x8000), 49u + 24u + 9u + 63u);
}

TEST(BlendPixels, MixesEveryByteByTheLowByteOfTheLevel) {
  EXPECT_EQ(blendPixels(0xFF00FF00, 0x00FF00FF, 0), 0xFE00FE00u);
  EXPECT_EQ(blendPixels(0xFF00FF00, 0x00FF00FF, 0x1FF), 0x00FE00FEu);
  // level 16: a * 239 >> 8 plus b * 16 >> 8
  EXPECT_EQ(blendPixels(0x00000080, 0x000000FF, 16), 119u + 15u);
}

}  // namespace
}  // namespace orvanta
