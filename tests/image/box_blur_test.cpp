#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/box_blur_kernels.h"
#include "image/effects.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

// A grey level repeated in all four bytes, so one number checks every channel.
uint32_t grey(uint32_t level) { return level * 0x01010101u; }

std::vector<uint32_t> words(const Image& image) { return {image.pixels, image.pixels + image.pixelCount()}; }

TEST(BoxBlur, RadiusOneKeepsTheDivisorAtTheLineEnds) {
  OwnedImage row(3, 1);
  OwnedImage out(3, 1);
  row.image.pixels[0] = grey(10);
  row.image.pixels[1] = grey(20);
  row.image.pixels[2] = grey(30);
  blurHorizontal(&out.image, row.image, 1);
  EXPECT_EQ(words(out.image), (std::vector<uint32_t>{grey(9), grey(19), grey(16)}));

  OwnedImage white(4, 1);
  white.image.fill(grey(255));
  blurHorizontal(&out.image, white.image, 1);  // destination holds only 3: one row fits
  OwnedImage wide(4, 1);
  blurHorizontal(&wide.image, white.image, 1);
  EXPECT_EQ(words(wide.image), (std::vector<uint32_t>{grey(169), grey(254), grey(254), grey(169)}));
}

TEST(BoxBlur, VerticalWalksColumns) {
  OwnedImage column(2, 3);
  OwnedImage out(2, 3);
  for (int y = 0; y < 3; ++y) {
    column.at(0, y) = grey(10 * (y + 1));
    column.at(1, y) = grey(255);
  }
  blurVertical(&out.image, column.image, 1);
  EXPECT_EQ(words(out.image), (std::vector<uint32_t>{grey(9), grey(169), grey(19), grey(254), grey(16), grey(169)}));
}

TEST(BoxBlur, RadiusZeroCopiesAndLongRadiiAreLimited) {
  OwnedImage source(7, 5);
  testing::fillRandom(source.image, 11);
  OwnedImage a(7, 5), b(7, 5);
  blurHorizontal(&a.image, source.image, 0);
  EXPECT_EQ(words(a.image), words(source.image));
  blurVertical(&a.image, source.image, 0);
  EXPECT_EQ(words(a.image), words(source.image));

  blurHorizontal(&a.image, source.image, 6);
  blurHorizontal(&b.image, source.image, 0xFFFFFFFF);
  EXPECT_EQ(words(a.image), words(b.image));
  blurVertical(&a.image, source.image, 4);
  blurVertical(&b.image, source.image, 5);
  EXPECT_EQ(words(a.image), words(b.image));
}

TEST(BoxBlur, NeverWritesPastASmallerDestination) {
  OwnedImage source(320, 240);
  source.image.fill(grey(100));
  OwnedImage small(320, 2);
  blurVertical(&small.image, source.image, 3);
  blurHorizontal(&small.image, source.image, 3);
  EXPECT_EQ(small.at(5, 1), grey(99));  // 700 * 9362 >> 16
  Image empty;
  blurVertical(&empty, source.image, 3);
  blurHorizontal(&source.image, empty, 3);
  EXPECT_EQ(source.at(0, 0), grey(100));
}

// The fast routes against the line-by-line running sums, on random frames and radii.
TEST(BoxBlur, FastRoutesEqualTheRunningSums) {
  std::mt19937 generator(77);
  const struct {
    int32_t width, height;
  } sizes[] = {{320, 240}, {1, 1}, {3, 17}, {33, 2}, {1030, 3}, {5, 300}};
  for (const auto size : sizes) {
    OwnedImage source(size.width, size.height);
    OwnedImage plain(size.width, size.height), fast(size.width, size.height);
    for (uint32_t radius : {0u, 1u, 2u, 7u, 16u, 127u, 128u, 129u, 200u, 5000u}) {
      testing::fillRandom(source.image, generator());
      if (radius == 16) source.image.fill(0xFFFFFFFF);
      kernels::blurHorizontalPlain(&plain.image, source.image, radius);
      blurHorizontal(&fast.image, source.image, radius);
      ASSERT_EQ(words(plain.image), words(fast.image)) << size.width << "x" << size.height << " r " << radius;
      kernels::blurVerticalPlain(&plain.image, source.image, radius);
      blurVertical(&fast.image, source.image, radius);
      ASSERT_EQ(words(plain.image), words(fast.image)) << size.width << "x" << size.height << " r " << radius;
    }
  }
}

}  // namespace
}  // namespace orvanta
