#include "capture/frame_hash.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvanta {
namespace {

TEST(FrameHash, IsFnv1aOverLittleEndianBytes) {
  // Reference values from an independent byte-wise FNV-1a 64.
  const std::vector<uint32_t> black(320 * 240, 0);
  EXPECT_EQ(frameHash(black.data(), black.size()), 0x156ed4086987e325ULL);
  const uint32_t words[] = {0x12345678u, 0xccddeeffu};
  EXPECT_EQ(frameHash(words, 2), 0xd4c72f29ed9ab531ULL);
  EXPECT_EQ(frameHash(words, 0), 0xcbf29ce484222325ULL);
}

TEST(FrameHash, LineHasIndexCentisecondsSceneAndSixteenHexDigits) {
  EXPECT_EQ(frameHashLine(FrameInfo{12, 1529.99f, "intro", true}, 0xffULL), "12 1529.99 intro 00000000000000ff");
  EXPECT_EQ(frameHashLine(FrameInfo{5878, 9798.978515625f, "end", true}, 0xd4c72f29ed9ab531ULL),
            "5878 9798.98 end d4c72f29ed9ab531");
  EXPECT_EQ(frameHashLine(FrameInfo{0, 1.6666668f, "intro", true}, 0), "0 1.67 intro 0000000000000000");
}

}  // namespace
}  // namespace orvanta
