// The 2D effects: box blurs, zoom blur, neighbour smoothing and warped planes, each with its
// worked pixels, its guard against images it cannot handle, and its fast route against the
// plain one.

#include "image/effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "image/blend_kernels.h"
#include "image/box_blur_kernels.h"
#include "image/radial_blur_kernels.h"
#include "image/smooth_kernels.h"
#include "image/test_pictures.h"
#include "image/warp_plane_kernels.h"

namespace orvanta {
namespace {

using testing::grey;
using testing::OwnedImage;
using Words = std::vector<uint32_t>;

TEST(BoxBlur, WorkedLinesKeepTheDivisorAtTheEnds) {
  // Radius 1: weight 65536 / 3 = 21845; the line ends sum two pixels but divide by three.
  OwnedImage line(3, 1), out(3, 1);
  line.image.pixels[0] = grey(10), line.image.pixels[1] = grey(20), line.image.pixels[2] = grey(30);
  blurHorizontal(out.image, line.image, 1);
  EXPECT_EQ(out.words(), (Words{grey(9), grey(19), grey(16)}));
  OwnedImage white(4, 1, grey(255)), wide(4, 1);
  blurHorizontal(wide.image, white.image, 1);
  EXPECT_EQ(wide.words(), (Words{grey(169), grey(254), grey(254), grey(169)}));
  blurHorizontal(out.image, white.image, 1);  // a destination holding 3 words: no row fits
  EXPECT_EQ(out.at(2, 0), grey(16));

  OwnedImage columns(2, 3, grey(255)), down(2, 3);
  for (int y = 0; y < 3; ++y) columns.at(0, y) = grey(10 * (y + 1));
  blurVertical(down.image, columns.image, 1);
  EXPECT_EQ(down.words(), (Words{grey(9), grey(169), grey(19), grey(254), grey(16), grey(169)}));

  OwnedImage source(320, 240, grey(100)), strip(320, 2);  // only the rows that fit are written
  blurVertical(strip.image, source.image, 3);
  blurHorizontal(strip.image, source.image, 3);
  EXPECT_EQ(strip.at(5, 1), grey(99));  // 700 * 9362 >> 16
  Image empty;
  blurVertical(empty, source.image, 3);
  blurHorizontal(source.image, empty, 3);
  EXPECT_EQ(source.words(), Words(320 * 240, grey(100)));
  EXPECT_EQ(empty.pixels, nullptr);
}

// The fast routes against the line-by-line running sums, on random frames and radii; radius
// 0 copies, and radii beyond the line are limited to it.
TEST(BoxBlur, FastRoutesEqualTheRunningSums) {
  std::mt19937 generator(77);
  for (const auto& [width, height] :
       std::vector<std::pair<int32_t, int32_t>>{{320, 240}, {1, 1}, {3, 17}, {33, 2}, {1030, 3}, {1024, 2}, {5, 300}}) {
    OwnedImage source(width, height), plain(width, height), fast(width, height);
    for (uint32_t radius : {0u, 1u, 2u, 7u, 16u, 127u, 128u, 129u, 200u, 5000u, 0xFFFFFFFFu}) {
      testing::fillRandom(source.image, generator());
      if (radius == 16) source.image.fill(0xFFFFFFFF);
      kernels::blurHorizontalReference(plain.image, source.image, radius);
      blurHorizontal(fast.image, source.image, radius);
      ASSERT_EQ(fast.words(), plain.words()) << width << "x" << height << " r " << radius;
      ASSERT_TRUE(radius != 0 || fast.words() == source.words());
      kernels::blurVerticalReference(plain.image, source.image, radius);
      blurVertical(fast.image, source.image, radius);
      ASSERT_EQ(fast.words(), plain.words()) << width << "x" << height << " r " << radius;
#if ORVANTA_X86_VECTORS
      // The public blur takes the widest version that runs; the narrower one must agree too.
      kernels::blurVerticalSse2(fast.image, source.image, radius);
      ASSERT_EQ(fast.words(), plain.words()) << width << "x" << height << " r " << radius << " (SSE2)";
      kernels::blurHorizontalReference(plain.image, source.image, radius);
      kernels::blurHorizontalSse2(fast.image, source.image, radius);
      ASSERT_EQ(fast.words(), plain.words()) << width << "x" << height << " r " << radius << " (SSE2)";
#endif
    }
  }
  OwnedImage source(7, 5), a(7, 5), b(7, 5);
  testing::fillRandom(source.image, 11);
  blurHorizontal(a.image, source.image, 6);
  blurHorizontal(b.image, source.image, 0xFFFFFFFF);
  EXPECT_EQ(a.words(), b.words());
  blurVertical(a.image, source.image, 4);
  blurVertical(b.image, source.image, 5);
  EXPECT_EQ(a.words(), b.words());
}

// Both blurs in one sweep against the two passes through the work image, into another image
// and in place: frames whose width the registers divide and do not, heights below the kept
// rows' ring (2r + 2), radii of 0 (a copy) in either direction or both, and radii beyond the
// lines; a work image of another size goes the two-pass way.
TEST(BoxBlur, BothInOneSweepEqualTheTwoPasses) {
  std::mt19937 generator(78);
  for (const auto& [width, height] :
       std::vector<std::pair<int32_t, int32_t>>{{320, 240}, {40, 37}, {16, 3}, {8, 40}, {37, 29}, {1, 5}}) {
    OwnedImage source(width, height), work(width, height), twoPasses(width, height);
    OwnedImage swept(width, height), inPlace(width, height), otherWork(width + 1, height);
    for (uint32_t vertical : {0u, 1u, 2u, 9u, 16u, 300u}) {
      for (uint32_t horizontal : {0u, 1u, 5u, 16u, 300u}) {
        testing::fillRandom(source.image, generator());
        blurVertical(work.image, source.image, vertical);
        blurHorizontal(twoPasses.image, work.image, horizontal);
        const auto label = [&] {
          return std::to_string(width) + "x" + std::to_string(height) + " r " + std::to_string(vertical) + ", " +
                 std::to_string(horizontal);
        };

        blurVerticalThenHorizontal(swept.image, work.image, source.image, vertical, horizontal);
        ASSERT_EQ(swept.words(), twoPasses.words()) << label();
        copyImage(source.image, inPlace.image);
        blurVerticalThenHorizontal(inPlace.image, work.image, inPlace.image, vertical, horizontal);
        ASSERT_EQ(inPlace.words(), twoPasses.words()) << label() << " in place";
        blurVertical(otherWork.image, source.image, vertical);
        blurHorizontal(inPlace.image, otherWork.image, horizontal);
        blurVerticalThenHorizontal(swept.image, otherWork.image, source.image, vertical, horizontal);
        ASSERT_EQ(swept.words(), inPlace.words()) << label() << " other work image";
#if ORVANTA_X86_VECTORS
        copyImage(source.image, inPlace.image);
        kernels::blurPairSse2(inPlace.image, work.image, inPlace.image, vertical, horizontal);
        ASSERT_EQ(inPlace.words(), twoPasses.words()) << label() << " in place (SSE2)";
#endif
        kernels::blurPairReference(swept.image, work.image, source.image, vertical, horizontal);
        ASSERT_EQ(swept.words(), twoPasses.words()) << label() << " (Reference)";
      }
    }
  }
  // A picture that could not be read has its size but no pixels: as the two passes, which
  // leave an image without pixels alone, and nothing is read from it.
  Image unread;
  unread.width = 320;
  unread.height = 240;
  for (int which = 0; which < 3; ++which) {
    OwnedImage frame(320, 240), work(320, 240), passedFrame(320, 240), passedWork(320, 240);
    testing::fillRandom(frame.image, 5);
    testing::fillRandom(work.image, 6);
    copyImage(frame.image, passedFrame.image);
    copyImage(work.image, passedWork.image);
    Image& destination = which == 0 ? unread : frame.image;
    Image& scratch = which == 1 ? unread : work.image;
    const Image& source = which == 2 ? unread : frame.image;
    blurVerticalThenHorizontal(destination, scratch, source, 3, 4);
    Image& passedDestination = which == 0 ? unread : passedFrame.image;
    Image& passedScratch = which == 1 ? unread : passedWork.image;
    const Image& passedSource = which == 2 ? unread : passedFrame.image;
    blurVertical(passedScratch, passedSource, 3);
    blurHorizontal(passedDestination, passedScratch, 4);
    EXPECT_EQ(frame.words(), passedFrame.words()) << which;
  }
}

TEST(RadialBlur, WorkedPixelsReadWhatThisPassHasRewritten) {
  // Full strength samples every pixel of a quadrant at its corner next to the centre; with
  // keep 0 the pixel becomes h(sample), h(p) = p * 255 >> 8. The corner pixel samples itself
  // (200 -> 199 -> 198); every other pixel samples the rewritten corner (198 -> 197 -> 196).
  OwnedImage frame(320, 240, 200);
  radialBlur(frame.image, 100, 50, 65536, 0);
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      ASSERT_EQ(frame.at(x, y), (x == 100 || x == 101) && (y == 50 || y == 51) ? 198u : 196u) << x << "," << y;
    }
  }
  // Keeping everything scales each byte once, whatever the samples.
  testing::fillRandom(frame.image, 5);
  Words expected = frame.words();
  for (uint32_t& word : expected) {
    uint32_t scaled = 0;
    for (int shift = 0; shift < 32; shift += 8) scaled |= ((((word >> shift) & 0xFF) * 255) >> 8) << shift;
    word = scaled;
  }
  radialBlur(frame.image, 160, 120, 1000, 255);
  EXPECT_EQ(frame.words(), expected);

  // Centres on the edges and outside, any strength: every sample mixes pixels of the frame,
  // so a frame of one grey never gets brighter (a read outside it would bring in other bytes).
  for (const auto& [cx, cy, c] :
       std::vector<std::tuple<int32_t, int32_t, int32_t>>{{319, 239, -70000},
                                                          {0, 0, -70000},
                                                          {-50, 400, 2000},
                                                          {500, -3, 1000},
                                                          {160, 120, 300000},
                                                          {INT32_MAX, INT32_MIN, INT32_MIN}}) {
    frame.image.fill(0x40404040);
    radialBlur(frame.image, cx, cy, c, 16);
    const Words words = frame.words();
    EXPECT_TRUE(std::all_of(words.begin(), words.end(), [](uint32_t w) {
      return (w & 0xFF) <= 0x40 && ((w >> 8) & 0xFF) <= 0x40 && ((w >> 16) & 0xFF) <= 0x40 && (w >> 24) <= 0x40;
    })) << cx << "," << cy << " strength " << c;
  }
  // Strength 0: each pixel samples only itself, so wherever the centre is, every pixel is
  // mixed exactly once (one skipped would stay 0x40, one done twice would darken further).
  for (const auto& [cx, cy] : std::vector<std::pair<int32_t, int32_t>>{
           {319, 239}, {0, 0}, {-50, 400}, {500, -3}, {INT32_MAX, INT32_MIN}, {INT32_MIN, INT32_MAX}}) {
    frame.image.fill(0x40404040);
    radialBlur(frame.image, cx, cy, 0, 0);
    EXPECT_EQ(frame.words(), Words(320 * 240, 0x3E3E3E3E)) << cx << "," << cy;
  }
  frame.image.fill(0x40404040);
  radialBlur(frame.image, 319, 239, 0, 0);
  EXPECT_EQ(frame.words(), Words(320 * 240, 0x3E3E3E3E));
  OwnedImage narrow(100, 100, 77);  // other widths are left alone
  radialBlur(narrow.image, 50, 50, 1000, 16);
  EXPECT_EQ(narrow.at(99, 99), 77u);
}

#if ORVANTA_X86_VECTORS
// The Avx2 blur of `input` into `work`, its near rows' samples gathered and loaded one at a
// time, each against `expected`.
void expectAvx2BothWays(const Image& input, const OwnedImage& expected, OwnedImage& work, int32_t cx, int32_t cy,
                        int32_t c, int32_t d) {
  if (!cpu::hasAvx2()) return;
  for (const cpu::LaneLoads loads : {cpu::LaneLoads::kGather, cpu::LaneLoads::kSingle}) {
    copyImage(input, work.image);
    kernels::radialBlurAvx2(&work.image, cx, cy, c, d, loads);
    ASSERT_EQ(work.words(), expected.words())
        << "AVX2 " << (loads == cpu::LaneLoads::kGather ? "gathers, " : "single loads, ") << input.height
        << " rows, " << cx << "," << cy << " c " << c << " d " << d;
  }
}
#endif

// Quadrants side by side against the one-pixel-at-a-time order, over the parameters the show
// uses and the edges of the range where that route is taken.
TEST(RadialBlur, FastRoutesEqualThePlainOrder) {
  std::mt19937 generator(99);
  OwnedImage plain(320, 240), fast(320, 240), wide(320, 240);
  int sideBySide = 0;
  for (int round = 0; round < 80; ++round) {
    int32_t cx = static_cast<int32_t>(generator() % 320), cy = static_cast<int32_t>(generator() % 240);
    int32_t c = round % 7 == 1 ? static_cast<int32_t>(generator() % 65537) : round % 2 == 0 ? 1000 : 2000;
    const int32_t d = round % 3 == 0 ? 16 : static_cast<int32_t>(generator() % 300) - 20;
    if (round == 2) cx = 0, cy = 0, c = 65536;
    if (round == 3) cx = 319, cy = 239, c = 0;
    if (round == 4) cx = 0, cy = 239;
    if (round == 5) cx = 319, cy = 0, c = -5000;
    if (round == 6) cx = -10, cy = 250;
    if (round == 7) cx = 318, cy = 239, c = 65536;  // a right-run sample one word from the end
    if (round == 8) cx = 160, cy = 120, c = 1;      // every row one pixel at a time
    if (round == 9) cx = 5, cy = 3, c = 30000;      // rows two away already mix four at once
    testing::fillRandom(plain.image, generator());
    for (size_t i = 0; round % 4 == 0 && i < plain.image.pixelCount(); ++i) plain.image.pixels[i] |= 0xF0F0F0F0u;
    copyImage(plain.image, fast.image);
    copyImage(plain.image, wide.image);
    sideBySide += kernels::radialBlurQuadrantsApply(plain.image, cx, cy, c);
    kernels::radialBlurReference(&plain.image, cx, cy, c, d);
    radialBlur(fast.image, cx, cy, c, d);
    ASSERT_EQ(fast.words(), plain.words()) << cx << "," << cy << " c " << c << " d " << d;
#if ORVANTA_X86_VECTORS
    copyImage(wide.image, fast.image);
    kernels::radialBlurSse2(&fast.image, cx, cy, c, d);
    ASSERT_EQ(fast.words(), plain.words()) << "SSE2 " << cx << "," << cy << " c " << c << " d " << d;
    ASSERT_NO_FATAL_FAILURE(expectAvx2BothWays(wide.image, plain, fast, cx, cy, c, d));
#endif
  }
  EXPECT_GE(sideBySide, 75);
}

// Frames of other heights: one to three rows (runs and quadrants cut short, reads clamped at
// the last row) and taller than the show's, where near rows go in more than one band.
TEST(RadialBlur, FastRoutesEqualThePlainOrderAtOtherHeights) {
  std::mt19937 generator(31);
  for (int32_t height : {1, 2, 3, 9, 17, 300, 520}) {
    OwnedImage plain(320, height), wide(320, height), fast(320, height), input(320, height);
    for (int round = 0; round < 12; ++round) {
      const int32_t cx = round == 0 ? 319 : static_cast<int32_t>(generator() % 320);
      const int32_t cy = round == 0 ? height - 1 : round == 1 ? 0 : static_cast<int32_t>(generator() % height);
      const int32_t c = round < 3 ? round * 300 : static_cast<int32_t>(generator() % 65537) >> (generator() % 12);
      const int32_t d = static_cast<int32_t>(generator() % 256);
      testing::fillRandom(plain.image, generator());
      copyImage(plain.image, wide.image);
      copyImage(plain.image, fast.image);
      copyImage(plain.image, input.image);
      kernels::radialBlurReference(&plain.image, cx, cy, c, d);
      radialBlur(wide.image, cx, cy, c, d);
      ASSERT_EQ(wide.words(), plain.words()) << height << " rows, " << cx << "," << cy << " c " << c << " d " << d;
#if ORVANTA_X86_VECTORS
      kernels::radialBlurSse2(&fast.image, cx, cy, c, d);
      ASSERT_EQ(fast.words(), plain.words()) << "SSE2 " << height << " rows, " << cx << "," << cy << " c " << c;
      ASSERT_NO_FATAL_FAILURE(expectAvx2BothWays(input.image, plain, wide, cx, cy, c, d));
#endif
    }
  }
}

TEST(SmoothNeighbours, CarriesFreshValuesRightAndDownWithoutSaturating) {
  OwnedImage frame(320, 240);
  frame.at(2, 1) = grey(64);
  frame.at(0, 1) = grey(8);    // index 320, never visited: the sweep runs 321 .. count - 321
  frame.at(0, 239) = grey(9);  // the first index past the sweep
  frame.at(319, 239) = grey(7);
  frame.at(0, 5) = grey(200);  // the right neighbour of (319, 4): rows run into each other
  smoothNeighbours(frame.image);
  // Row 1: (1,1) gets left 8 + right 64 -> 18; (2,1) left 18 -> 4; (3,1) left 4 -> 1.
  // Row 2: (0,2) up 8 -> 2; (1,2) left 2 + up 18 -> 5; (2,2) left 5 + up 4 -> 2; (3,2) 2 + 1 -> 0.
  EXPECT_EQ((Words{frame.at(1, 1), frame.at(2, 1), frame.at(3, 1), frame.at(4, 1)}),
            (Words{grey(18), grey(4), grey(1), 0}));
  EXPECT_EQ((Words{frame.at(1, 2), frame.at(2, 2), frame.at(3, 2)}), (Words{grey(5), grey(2), 0}));
  EXPECT_EQ(frame.at(319, 4), grey(50));
  EXPECT_EQ((Words{frame.at(0, 1), frame.at(0, 239), frame.at(319, 239)}), (Words{grey(8), grey(9), grey(7)}));
  EXPECT_EQ(frame.at(319, 238), grey(4));  // right 9 + down 7
  OwnedImage white(320, 3, 0xFFFFFFFF);
  smoothNeighbours(white.image);
  EXPECT_EQ(white.at(100, 1), 0xFFFFFFFFu);
  OwnedImage narrow(100, 100, 3), flat(320, 2, 3);  // nothing it can sweep
  smoothNeighbours(narrow.image);
  smoothNeighbours(flat.image);
  EXPECT_EQ(narrow.at(50, 50) + flat.at(50, 1), 6u);
}

TEST(SmoothNeighbours, VectorPathEqualsThePerByteSweep) {
  std::mt19937 generator(4);
  // Random words, and bright ones that drive the folded four-pixel sums to their largest.
  for (uint32_t floor : {0x00000000u, 0xF0F0F0F0u, 0xFFFFFFFFu}) {
    for (size_t rows : {240u, 3u, 4u, 7u}) {
      for (size_t extra : {0u, 1u, 2u, 3u, 5u}) {
        Words plain(rows * 320 + extra);
        for (auto& w : plain) w = static_cast<uint32_t>(generator()) | floor;
        Words fast = plain;
        Words wide = plain;
        kernels::smoothNeighboursReference(plain.data(), plain.size(), 0, plain.size());
#if ORVANTA_X86_VECTORS
        kernels::smoothNeighboursSse2(fast.data(), fast.size(), 0, fast.size());
        ASSERT_EQ(fast, plain) << plain.size() << " " << floor;
        if (cpu::hasAvx2()) {
          kernels::smoothNeighboursAvx2(wide.data(), wide.size(), 0, wide.size());
          ASSERT_EQ(wide, plain) << "AVX2 " << plain.size() << " " << floor;
        }
#else
        // The public sweep, over whole rows of 320.
        fast.resize(rows * 320);
        Words expected = fast;
        kernels::smoothNeighboursReference(expected.data(), expected.size(), 0, expected.size());
        Image image;
        image.width = 320, image.height = static_cast<int32_t>(rows), image.pixels = fast.data();
        smoothNeighbours(image);
        ASSERT_EQ(fast, expected) << rows << " rows, " << floor;
#endif
      }
    }
  }
}

TEST(WarpPlane, WorkedPhaseZeroSmallStepsAndTheRedKey) {
  // At phase 0 every corner is (513, 513): every pixel shows texel (1, 1).
  OwnedImage texture(256, 256), frame(320, 240), keyed(320, 240);
  testing::fillRandom(texture.image, 8);
  warpPlane(frame.image, texture.image, 0.0f);
  EXPECT_EQ(frame.words(), Words(320 * 240, texture.at(1, 1)));
  // Texels holding their own index: neighbouring pixels step less than a texel apart.
  for (uint32_t i = 0; i < 65536; ++i) texture.image.pixels[i] = i;
  warpPlane(frame.image, texture.image, 437.0f);
  int moves = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 1; x < 320; ++x) {
      const uint32_t du = (frame.at(x, y) - frame.at(x - 1, y) + 5) & 0xFF,
                     dv = ((frame.at(x, y) >> 8) - (frame.at(x - 1, y) >> 8) + 5) & 0xFF;
      ASSERT_TRUE(du <= 10 && dv <= 10) << x << "," << y;
      moves += frame.at(x, y) != frame.at(x - 1, y);
    }
  }
  EXPECT_GT(moves, 10000);
  // The keyed plane skips texels whose red byte is 0xFF.
  testing::fillRandom(texture.image, 12);
  for (size_t i = 0; i < 65536; i += 3) texture.image.pixels[i] |= 0x00FF0000u;
  for (float t : {333.0f, -2000.25f}) {
    keyed.image.fill(0x01020304);
    warpPlane(frame.image, texture.image, t);
    warpPlaneKeyed(keyed.image, texture.image, t);
    int holes = 0;
    for (size_t i = 0; i < frame.image.pixelCount(); ++i) {
      const bool hole = ((frame.image.pixels[i] >> 16) & 0xFF) == 0xFF;
      holes += hole;
      ASSERT_EQ(keyed.image.pixels[i], hole ? 0x01020304u : frame.image.pixels[i]);
    }
    EXPECT_GT(holes, 0);
  }
}

TEST(WarpPlane, SkipsImagesOfTheWrongSize) {
  OwnedImage small(64, 64), texture(256, 256), frame(320, 240, 5), narrow(100, 240, 5);
  EXPECT_FALSE(warpPlane(frame.image, small.image, 10.0f));
  EXPECT_FALSE(warpPlaneKeyed(frame.image, small.image, 10.0f));
  EXPECT_FALSE(warpPlane(narrow.image, texture.image, 10.0f));
  EXPECT_FALSE(warpPlaneKeyed(narrow.image, texture.image, 10.0f));
  Image empty;
  EXPECT_FALSE(warpPlane(empty, texture.image, 1.0f));
  EXPECT_FALSE(warpPlane(frame.image, empty, 1.0f));
  EXPECT_EQ(frame.words(), Words(320 * 240, 5));
  OwnedImage tall(320, 250, 5);  // drawn, but only its top 240 rows
  EXPECT_FALSE(warpPlane(tall.image, texture.image, 1.0f));
  EXPECT_EQ(tall.at(7, 245), 5u);
  EXPECT_TRUE(warpPlane(frame.image, texture.image, 1.0f));
  EXPECT_EQ(narrow.words(), Words(100 * 240, 5));
}

// Both planes in one pass against one plane after the other, over textures with many holes
// and phases of either sign; nothing drawn where one pass could not draw the whole frame.
TEST(WarpPlane, PairEqualsThePlaneUnderTheKeyedOne) {
  OwnedImage under(256, 256), over(256, 256), small(64, 64), separate(320, 240), paired(320, 240);
  testing::fillRandom(under.image, 21);
  testing::fillRandom(over.image, 22);
  for (size_t i = 0; i < over.image.pixelCount(); i += 2) over.image.pixels[i] |= 0x00FF0000u;
  for (float t : {0.0f, 333.0f, -2000.25f, 5120.5f, 1.0e6f}) {
    warpPlane(separate.image, under.image, -t * 0.9f);
    warpPlaneKeyed(separate.image, over.image, t);
    paired.image.fill(0x01020304);
    ASSERT_TRUE(warpPlanePair(paired.image, under.image, -t * 0.9f, over.image, t));
    ASSERT_EQ(paired.words(), separate.words()) << t;
  }
  OwnedImage tall(320, 250, 5);
  Image empty;
  EXPECT_FALSE(warpPlanePair(tall.image, under.image, 1.0f, over.image, 2.0f));
  EXPECT_FALSE(warpPlanePair(paired.image, small.image, 1.0f, over.image, 2.0f));
  EXPECT_FALSE(warpPlanePair(paired.image, under.image, 1.0f, empty, 2.0f));
  EXPECT_EQ(tall.words(), Words(320 * 250, 5));
  EXPECT_EQ(paired.words(), separate.words());
}

// Eight texels at a time against one at a time, with steps of either sign and size that wrap
// the texture, keyed and not, over a texture with many holes; the same for both planes in one
// pass.
TEST(WarpPlane, VectorRowsEqualPlainRows) {
#if !ORVANTA_X86_VECTORS
  GTEST_SKIP() << "no vector paths in this build";
#else
  if (!cpu::hasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 generator(77);
  OwnedImage texture(256, 256), under(256, 256);
  testing::fillRandom(texture.image, 9);
  testing::fillRandom(under.image, 10);
  for (size_t i = 0; i < texture.image.pixelCount(); i += 3) texture.image.pixels[i] |= 0x00FF0000u;
  auto step = [&](bool any) {
    return any ? static_cast<uint32_t>(generator()) : static_cast<uint32_t>(generator() % 600000) - 300000u;
  };
  for (int trial = 0; trial < 800; ++trial) {
    // A third of the trials gather the texels, the rest load them one at a time.
    const cpu::LaneLoads loads = trial % 3 == 0 ? cpu::LaneLoads::kGather : cpu::LaneLoads::kSingle;
    Words plain(320);
    for (uint32_t& word : plain) word = static_cast<uint32_t>(generator());
    Words fast = plain;
    const uint32_t u = static_cast<uint32_t>(generator());
    const uint32_t v = static_cast<uint32_t>(generator());
    const uint32_t du = step(trial % 4 == 0);
    const uint32_t dv = step(trial % 4 == 1);
    const bool keyed = trial % 2 == 0;
    kernels::warpRowReference(plain.data(), texture.image.pixels, u, v, du, dv, keyed);
    kernels::warpRowAvx2(fast.data(), texture.image.pixels, u, v, du, dv, keyed, loads);
    ASSERT_EQ(plain, fast) << trial;
    const kernels::TextureLine a{v, u, step(trial % 4 == 2), step(trial % 4 == 3)}, b{u, v, du, dv};
    kernels::warpRowPairReference(plain.data(), under.image.pixels, a, texture.image.pixels, b);
    kernels::warpRowPairAvx2(fast.data(), under.image.pixels, a, texture.image.pixels, b, loads);
    ASSERT_EQ(plain, fast) << "pair " << trial;
  }
#endif
}

}  // namespace
}  // namespace orvanta
