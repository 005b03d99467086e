#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/effects.h"
#include "image/smooth_kernels.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

uint32_t grey(uint32_t level) { return level * 0x01010101u; }

TEST(SmoothNeighbours, CarriesFreshValuesRightwardsAndDownwards) {
  OwnedImage frame(320, 240);
  frame.at(2, 1) = grey(64);
  smoothNeighbours(&frame.image);
  // (1,1): right 64 -> 16; (2,1): left 16 -> 4; (3,1): left 4 -> 1; (4,1): 0.
  EXPECT_EQ(frame.at(1, 1), grey(16));
  EXPECT_EQ(frame.at(2, 1), grey(4));
  EXPECT_EQ(frame.at(3, 1), grey(1));
  EXPECT_EQ(frame.at(4, 1), 0u);
  // (1,2): up is the new 16 -> 4; (2,2): left 4 + up 4 -> 2; (3,2): left 2 + up 1 -> 0.
  EXPECT_EQ(frame.at(1, 2), grey(4));
  EXPECT_EQ(frame.at(2, 2), grey(2));
  EXPECT_EQ(frame.at(3, 2), 0u);
}

TEST(SmoothNeighbours, RowsRunIntoEachOtherAndTheBordersStay) {
  OwnedImage frame(320, 240);
  frame.at(0, 5) = grey(200);  // right neighbour of (319, 4) in the one-run sweep
  frame.at(0, 0) = grey(9);
  frame.at(0, 1) = grey(8);
  frame.at(319, 239) = grey(7);
  smoothNeighbours(&frame.image);
  EXPECT_EQ(frame.at(319, 4), grey(50));
  EXPECT_EQ(frame.at(0, 0), grey(9));
  EXPECT_EQ(frame.at(0, 1), grey(8));  // the first pixel of row 1 is never visited
  EXPECT_EQ(frame.at(319, 239), grey(7));
  // (319, 238): left 0, right (0, 239) = 0, up 0, down 7 -> 1.
  EXPECT_EQ(frame.at(319, 238), grey(1));
}

TEST(SmoothNeighbours, SumsDoNotSaturate) {
  OwnedImage frame(320, 3);
  frame.image.fill(0xFFFFFFFF);
  smoothNeighbours(&frame.image);
  EXPECT_EQ(frame.at(100, 1), 0xFFFFFFFFu);
}

TEST(SmoothNeighbours, LeavesImagesItCannotSweepAlone) {
  OwnedImage narrow(100, 100);
  narrow.image.fill(3);
  smoothNeighbours(&narrow.image);
  EXPECT_EQ(narrow.at(50, 50), 3u);
  OwnedImage flat(320, 2);
  flat.image.fill(3);
  smoothNeighbours(&flat.image);
  EXPECT_EQ(flat.at(50, 1), 3u);
  Image empty;
  smoothNeighbours(&empty);
}

TEST(SmoothNeighbours, VectorPathEqualsThePerByteSweep) {
  std::mt19937 generator(4);
  // Random words, and bright ones that drive the folded four-pixel sums to their largest.
  for (uint32_t floor : {0x00000000u, 0xF0F0F0F0u, 0xFFFFFFFFu}) {
    for (size_t rows : {240u, 3u, 4u, 7u}) {
      for (size_t extra : {0u, 1u, 2u, 3u, 5u}) {
        const size_t count = rows * 320 + extra;
        std::vector<uint32_t> plain(count);
        for (auto& w : plain) w = static_cast<uint32_t>(generator()) | floor;
        std::vector<uint32_t> fast = plain;
        kernels::smoothNeighboursPlain(plain.data(), count);
        kernels::smoothNeighboursSse2(fast.data(), count);
        ASSERT_EQ(plain, fast) << count << " " << floor;
      }
    }
  }
}

}  // namespace
}  // namespace orvanta
