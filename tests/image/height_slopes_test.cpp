#include "image/height_slopes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

uint32_t red(uint32_t level) { return 0x5A0000C3u | (level << 16); }  // other bytes are ignored

TEST(HeightSlopes, SignedDifferencesToTheNextTexelAndTheOneBelowFollowingTheIndex) {
  // 3 x 2, an odd width: the last texel of a row is followed by the first of the next, and
  // the last texels by the first ones.
  OwnedImage map(3, 2);
  const uint32_t levels[] = {10, 250, 0, 7, 255, 10};
  for (int i = 0; i < 6; ++i) map.image.pixels[i] = red(levels[i]);
  HeightSlopes slopes;
  slopes.build(map.image);
  const uint32_t* words = slopes.wordsFor(map.image);
  ASSERT_NE(words, nullptr);
  auto pair = [](int32_t next, int32_t below) {
    return (static_cast<uint32_t>(next) & 0xFFFFu) | (static_cast<uint32_t>(below) << 16);
  };
  const std::vector<uint32_t> expected = {pair(240, -3),  pair(-250, 5), pair(7, 10),
                                          pair(248, 3),   pair(-245, -5), pair(0, -10)};
  EXPECT_EQ(std::vector<uint32_t>(words, words + 6), expected);
  EXPECT_EQ(packHeightSlope(red(0), red(255), red(0)), 0x000000FFu);
  EXPECT_EQ(packHeightSlope(red(255), red(0), red(0)), 0xFF01FF01u);  // -255 in both halves
}

TEST(HeightSlopes, OnlyTheMapTheyWereMadeFromGetsThem) {
  OwnedImage map(4, 4, red(3)), twin(4, 4, red(3));
  HeightSlopes slopes;
  EXPECT_EQ(slopes.wordsFor(map.image), nullptr);  // not made yet
  slopes.build(map.image);
  EXPECT_NE(slopes.wordsFor(map.image), nullptr);
  const Image copy = map.image;  // shares the array: the same map
  EXPECT_EQ(slopes.wordsFor(copy), slopes.wordsFor(map.image));
  EXPECT_EQ(slopes.wordsFor(twin.image), nullptr);  // equal texels, another array
  Image resized = map.image;
  resized.height = 2;
  EXPECT_EQ(slopes.wordsFor(resized), nullptr);
  EXPECT_EQ(slopes.wordsFor(Image{}), nullptr);
  slopes.build(Image{});  // a map that failed to load leaves none
  EXPECT_EQ(slopes.wordsFor(map.image), nullptr);
  EXPECT_EQ(slopes.wordsFor(Image{}), nullptr);
}

}  // namespace
}  // namespace orvanta
