#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/effects.h"
#include "image/blend_kernels.h"
#include "image/radial_blur_kernels.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

std::vector<uint32_t> words(const Image& image) { return {image.pixels, image.pixels + image.pixelCount()}; }

uint32_t scaledByte(uint32_t word) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) out |= ((((word >> shift) & 0xFFu) * 255u) >> 8) << shift;
  return out;
}

TEST(RadialBlur, KeepingEverythingScalesEachByte) {
  OwnedImage frame(320, 240);
  testing::fillRandom(frame.image, 5);
  const std::vector<uint32_t> before = words(frame.image);
  radialBlur(&frame.image, 160, 120, 1000, 255);
  for (size_t i = 0; i < before.size(); ++i) ASSERT_EQ(frame.image.pixels[i], scaledByte(before[i])) << i;
}

TEST(RadialBlur, SamplesReadPixelsThisPassHasAlreadyRewritten) {
  // Full strength samples every pixel of a quadrant at its corner next to the centre; with
  // d = 0 the pixel becomes h(sample), h(p) = p * 255 >> 8. The corner pixel samples itself
  // (200 -> 199 -> 198); every other pixel samples the rewritten corner (198 -> 197 -> 196).
  OwnedImage frame(320, 240);
  frame.image.fill(200);
  radialBlur(&frame.image, 100, 50, 65536, 0);
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const bool corner = (x == 100 || x == 101) && (y == 50 || y == 51);
      ASSERT_EQ(frame.at(x, y), corner ? 198u : 196u) << x << "," << y;
    }
  }
}

TEST(RadialBlur, CentreOnTheEdgesAndOutsideStaysInsideTheArray) {
  // Reads past the array are clamped; the pixels are still all visited once.
  OwnedImage frame(320, 240);
  for (const auto& [cx, cy, c] : std::vector<std::tuple<int32_t, int32_t, int32_t>>{
           {319, 239, 0}, {319, 239, -70000}, {0, 0, -70000}, {-50, 400, 2000}, {500, -3, 1000},
           {160, 120, 300000}, {INT32_MAX, INT32_MIN, INT32_MIN}}) {
    frame.image.fill(0x40404040);
    radialBlur(&frame.image, cx, cy, c, 16);
  }
  frame.image.fill(0x40404040);
  radialBlur(&frame.image, 319, 239, 0, 0);  // strength 0: every pixel samples itself
  EXPECT_EQ(frame.at(319, 239), 0x3E3E3E3Eu);
  EXPECT_EQ(frame.at(0, 0), 0x3E3E3E3Eu);
}

TEST(RadialBlur, LeavesImagesOfOtherWidthsAlone) {
  OwnedImage narrow(100, 100);
  narrow.image.fill(77);
  radialBlur(&narrow.image, 50, 50, 1000, 16);
  EXPECT_EQ(narrow.at(99, 99), 77u);
  Image empty;
  radialBlur(&empty, 0, 0, 1000, 16);
}

// The fast route against the one-pixel-at-a-time order, over the parameters the show uses
// and the edges of the range where the route is taken.
TEST(RadialBlur, FastRouteEqualsThePlainOrder) {
  std::mt19937 generator(99);
  OwnedImage plain(320, 240), fast(320, 240), wide(320, 240);
  int sideBySide = 0;
  for (int round = 0; round < 80; ++round) {
    int32_t cx = static_cast<int32_t>(generator() % 320);
    int32_t cy = static_cast<int32_t>(generator() % 240);
    int32_t c = round % 2 == 0 ? 1000 : 2000;
    int32_t d = round % 3 == 0 ? 16 : static_cast<int32_t>(generator() % 300) - 20;
    if (round % 7 == 1) c = static_cast<int32_t>(generator() % 65537);
    if (round == 2) cx = 0, cy = 0, c = 65536;
    if (round == 3) cx = 319, cy = 239, c = 0;
    if (round == 4) cx = 0, cy = 239;
    if (round == 5) cx = 319, cy = 0, c = -5000;
    if (round == 6) cx = -10, cy = 250;
    if (round == 7) cx = 318, cy = 239, c = 65536;  // a right-run sample one word from the end
    if (round == 8) cx = 160, cy = 120, c = 1;      // every row one pixel at a time
    if (round == 9) cx = 5, cy = 3, c = 30000;      // rows two away already mix four at once
    testing::fillRandom(plain.image, generator());
    if (round % 4 == 0) {
      for (size_t i = 0; i < plain.image.pixelCount(); ++i) plain.image.pixels[i] |= 0xF0F0F0F0u;
    }
    copyImage(plain.image, &fast.image);
    copyImage(plain.image, &wide.image);
    sideBySide += kernels::radialBlurQuadrantsApply(plain.image, cx, cy, c);
    kernels::radialBlurPlain(&plain.image, cx, cy, c, d);
    kernels::radialBlurQuadrants(&fast.image, cx, cy, c, d);
    ASSERT_EQ(words(plain.image), words(fast.image)) << cx << "," << cy << " c " << c << " d " << d;
    if (kernels::hasAvx2()) {
      kernels::radialBlurQuadrantsAvx2(&wide.image, cx, cy, c, d);
      ASSERT_EQ(words(plain.image), words(wide.image)) << "AVX2 " << cx << "," << cy << " c " << c << " d " << d;
    }
  }
  EXPECT_GE(sideBySide, 75);
}

}  // namespace
}  // namespace orvanta
