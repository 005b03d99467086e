#include <gtest/gtest.h>

#include <random>

#include "image/effects.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

TEST(WarpPlane, AtPhaseZeroEveryCornerIsTexel513) {
  // A = 512, all sines 0: every corner is (513, 513), so every pixel shows texel (1, 1).
  OwnedImage texture(256, 256);
  testing::fillRandom(texture.image, 8);
  OwnedImage frame(320, 240);
  warpPlane(&frame.image, texture.image, 0.0f);
  for (size_t i = 0; i < frame.image.pixelCount(); ++i) ASSERT_EQ(frame.image.pixels[i], texture.at(1, 1));
}

TEST(WarpPlane, NeighbouringPixelsStepThroughTheTexture) {
  // Texel words that hold their own index show where each pixel sampled.
  OwnedImage texture(256, 256);
  for (uint32_t i = 0; i < 65536; ++i) texture.image.pixels[i] = i;
  OwnedImage frame(320, 240);
  warpPlane(&frame.image, texture.image, 437.0f);
  int moves = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 1; x < 320; ++x) {
      const uint32_t a = frame.at(x - 1, y), b = frame.at(x, y);
      // du and dv are below one texel per pixel here (corners at most 1537 texels apart).
      const int du = static_cast<int>((b & 0xFF) - (a & 0xFF) + 256) % 256;
      const int dv = static_cast<int>((b >> 8) - (a >> 8) + 256) % 256;
      ASSERT_TRUE((du <= 5 || du >= 251) && (dv <= 5 || dv >= 251)) << x << "," << y;
      moves += a != b;
    }
  }
  EXPECT_GT(moves, 10000);
}

TEST(WarpPlane, KeyedPlaneSkipsFullRedTexels) {
  OwnedImage texture(256, 256);
  testing::fillRandom(texture.image, 12);
  for (size_t i = 0; i < 65536; i += 3) texture.image.pixels[i] |= 0x00FF0000u;
  OwnedImage opaque(320, 240), keyed(320, 240);
  for (float t : {333.0f, 1234.5f, -2000.25f}) {
    keyed.image.fill(0x01020304);
    warpPlane(&opaque.image, texture.image, t);
    warpPlaneKeyed(&keyed.image, texture.image, t);
    int holes = 0;
    for (size_t i = 0; i < opaque.image.pixelCount(); ++i) {
      const uint32_t texel = opaque.image.pixels[i];
      if (((texel >> 16) & 0xFF) == 0xFF) {
        ++holes;
        ASSERT_EQ(keyed.image.pixels[i], 0x01020304u);
      } else {
        ASSERT_EQ(keyed.image.pixels[i], texel);
      }
    }
    EXPECT_GT(holes, 0);
  }
  // All red: nothing is written.
  texture.image.fill(0x00FF0000);
  keyed.image.fill(0x01020304);
  warpPlaneKeyed(&keyed.image, texture.image, 777.0f);
  for (size_t i = 0; i < keyed.image.pixelCount(); ++i) ASSERT_EQ(keyed.image.pixels[i], 0x01020304u);
}

TEST(WarpPlane, SkipsImagesOfTheWrongSize) {
  OwnedImage small(64, 64);
  OwnedImage frame(320, 240);
  frame.image.fill(5);
  warpPlane(&frame.image, small.image, 10.0f);
  EXPECT_EQ(frame.at(319, 239), 5u);
  OwnedImage texture(256, 256);
  OwnedImage narrow(100, 240);
  narrow.image.fill(5);
  warpPlane(&narrow.image, texture.image, 10.0f);
  warpPlaneKeyed(&narrow.image, texture.image, 10.0f);
  EXPECT_EQ(narrow.at(99, 239), 5u);
  Image empty;
  warpPlane(&empty, texture.image, 1.0f);
  warpPlane(&frame.image, empty, 1.0f);
  EXPECT_EQ(frame.at(0, 0), 5u);
}

}  // namespace
}  // namespace orvanta
