// The frames' conversion to the video's layout: the colours ffmpeg's own conversion gives
// (BT.601, limited range), planes in ffmpeg's order, chroma from each 2 x 2 block.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "capture/yuv420.h"

namespace orvanta {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes converted(const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
  Bytes out(yuv420Bytes(width, height), 0xEE);
  toYuv420(pixels.data(), width, height, out.data());
  return out;
}

TEST(Yuv420, GivesTheStudioRangeColoursOfFlatFramesWhateverTheirAlpha) {
  struct Case {
    uint32_t pixel;
    uint8_t y, u, v;
  };
  for (const Case& c : {Case{0x00000000u, 16, 128, 128}, Case{0xFFFFFFFFu, 235, 128, 128},
                        Case{0x00FF0000u, 81, 90, 240}, Case{0x0000FF00u, 145, 54, 34},
                        Case{0x800000FFu, 41, 240, 110}, Case{0x00808080u, 126, 128, 128}}) {
    const Bytes out = converted(std::vector<uint32_t>(4, c.pixel), 2, 2);
    EXPECT_EQ(out, (Bytes{c.y, c.y, c.y, c.y, c.u, c.v})) << std::hex << c.pixel;
  }
}

TEST(Yuv420, LaysOutLumaThenBlueThenRedWithEachBlocksAverage) {
  // 4 x 2: the left block half red and half black (columns), the right block white.
  const std::vector<uint32_t> pixels = {0xFF0000, 0, 0xFFFFFF, 0xFFFFFF,  //
                                        0xFF0000, 0, 0xFFFFFF, 0xFFFFFF};
  const Bytes out = converted(pixels, 4, 2);
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 8), (Bytes{81, 16, 235, 235, 81, 16, 235, 235}));
  // The left block's mean is (128, 0, 0): red rounded up from 127.5.
  EXPECT_EQ(out[8], 109);   // its blue difference
  EXPECT_EQ(out[9], 128);   // the white block's
  EXPECT_EQ(out[10], 184);  // the left block's red difference
  EXPECT_EQ(out[11], 128);
}

TEST(Yuv420, OnlyEvenPositiveSizesHaveTheLayout) {
  EXPECT_TRUE(hasYuv420Layout(320, 240));
  EXPECT_TRUE(hasYuv420Layout(2, 2));
  for (const auto& [w, h] : std::vector<std::pair<int32_t, int32_t>>{{0, 2}, {2, 0}, {3, 2}, {2, 5}, {-2, 2}}) {
    EXPECT_FALSE(hasYuv420Layout(w, h)) << w << "x" << h;
  }
  EXPECT_EQ(yuv420Bytes(320, 240), 115200u);
}

}  // namespace
}  // namespace orvanta
