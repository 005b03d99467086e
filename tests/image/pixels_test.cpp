// The image buffer, pixel sampling and mixing, lines, and the whole-image blends with their
// vector paths.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "image/blend_kernels.h"
#include "image/effects.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;
using Words = std::vector<uint32_t>;

TEST(PixelMixing, SampleBilinearAndBlendPixelsUseTruncatedWeights) {
  OwnedImage frame(320, 3);
  frame.at(0, 0) = 0xFFFFFFFF;
  frame.at(5, 1) = 0x80402010;
  EXPECT_EQ(sampleBilinear(frame.image.pixels, 0, 0), 0xFEFEFEFEu);  // whole: scaled by 255 / 256
  EXPECT_EQ(sampleBilinear(frame.image.pixels, 5 << 16, 1 << 16), 0x7F3F1F0Fu);
  frame.at(10, 1) = 200, frame.at(11, 1) = 100, frame.at(10, 2) = 40, frame.at(11, 2) = 255;
  // Halfway across: both weights (0x7FFF * 0xFFFF) >> 24 = (0x8000 * 0xFFFF) >> 24 = 127.
  EXPECT_EQ(sampleBilinear(frame.image.pixels, (10 << 16) | 0x8000, 1 << 16), 99u + 49u);
  // Halfway down as well (rows are 320 long whatever the image says): weights 63, 63, 63, 64.
  EXPECT_EQ(sampleBilinear(frame.image.pixels, (10 << 16) | 0x8000, (1 << 16) | 0x8000), 49u + 24u + 9u + 63u);

  EXPECT_EQ(blendPixels(0xFF00FF00, 0x00FF00FF, 0), 0xFE00FE00u);
  EXPECT_EQ(blendPixels(0xFF00FF00, 0x00FF00FF, 0x1FF), 0x00FE00FEu);  // low byte of the level
  EXPECT_EQ(blendPixels(0x00000080, 0x000000FF, 16), 119u + 15u);      // a * 239 >> 8 plus b * 16 >> 8
}

TEST(DrawLine, PlotsBothEndsAlongTheMajorAxisAndOnlyInside) {
  const struct {
    int x0, y0, x1, y1;
    std::vector<std::pair<int, int>> points;
  } cases[] = {{0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
               {3, 1, 0, 0, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},  // backwards: steps of -1
               {2, 2, 2, 2, {{2, 2}}},
               {0, 0, 4, 4, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}},  // a diagonal tie goes to y
               {-2, 1, 9, 1, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}}};
  for (const auto& c : cases) {
    OwnedImage image(8, 8);
    drawLine(image.image, c.x0, c.y0, c.x1, c.y1, 0x11);
    Words expected(64, 0);
    for (const auto& [x, y] : c.points) expected[y * 8 + x] = 0x11;
    EXPECT_EQ(image.words(), expected) << c.x0 << "," << c.y0 << " " << c.x1 << "," << c.y1;
  }
  Image empty;
  drawLine(empty, 0, 0, 3, 3, 7);
  EXPECT_EQ(empty.pixels, nullptr);
  EXPECT_EQ(empty.width, 0);
}

TEST(WholeImageBlends, WorkedBytes) {
  OwnedImage image(3, 1);
  image.image.pixels[0] = 0xFFFFFFFF, image.image.pixels[1] = 0x80402010;
  image.image.fadeTo(0, 0x12345678);  // level 0 still scales: (p * 255) >> 8
  EXPECT_EQ(image.words(), (Words{0xFEFEFEFE, 0x7F3F1F0F, 0}));
  image.image.pixels[0] = 0x00FF8040;
  image.image.fadeTo(64, 0xFF000000);  // 0 * 191 >> 8 + 255 * 64 >> 8 = 63; 255 * 191 >> 8 = 190 ...
  EXPECT_EQ(image.image.pixels[0], 0x3FBE5F2Fu);
  image.image.fadeTo(0x1FF, 0xFFFFFFFF);  // full level (low byte): the scaled colour everywhere
  EXPECT_EQ(image.words(), Words(3, 0xFEFEFEFE));

  image.image.pixels[0] = 0x80402010, image.image.pixels[1] = 0x01FF80C0;
  image.image.brighten(255);  // nearly doubles the colour, keeps alpha
  EXPECT_EQ(image.image.pixels[0], 0x807F3F1Fu);
  EXPECT_EQ(image.image.pixels[1], 0x01FFFFFFu);
  image.image.pixels[0] = 0x80402010;
  image.image.brighten(0x180);  // amount 0x80: c + c / 2
  EXPECT_EQ(image.image.pixels[0], 0x80603018u);

  OwnedImage mask(3, 1, 0xFFFFFFFF), target(3, 1, 0xFFFFFFFF);
  mask.image.pixels[0] = 0x80FF4000, target.image.pixels[0] = 0xFF80FF10, mask.image.pixels[2] = 0;
  mask.image.modulateInto(target.image);
  EXPECT_EQ(target.words(), (Words{0x7F7F3F00, 0xFEFEFEFE, 0}));
  EXPECT_EQ(mask.image.pixels[1], 0xFFFFFFFFu);  // the mask itself is unchanged

  OwnedImage source(3, 1), destination(3, 1, 0xFF0000FF);
  source.image.pixels[0] = 0x00FF0000, source.image.pixels[1] = 0xFFFF0000, source.image.pixels[2] = 0x80204080;
  blendImage(source.image, destination.image);  // source alpha is a transparency; alpha ends 0
  // a = 128: red 32 * 127 >> 8 = 15, green 64 * 127 >> 8 = 31, blue 63 + (255 * 128 >> 8) = 190.
  EXPECT_EQ(destination.words(), (Words{0x00FE0000, 0x000000FE, 0x000F1FBE}));
}

TEST(WholeImageBlends, CopiesAndBlendsStayWithinTheSmallerImageAndSkipMissingPixels) {
  EXPECT_EQ(packArgb(0x1FF, 0x34, 0x56, 0x78), 0x78FF3456u);  // only the low byte of each channel
  OwnedImage big(4, 4, 0xFFFFFFFF), small(2, 1, 0xFFFFFFFF);
  big.image.modulateInto(small.image);  // count bounded by the 2-pixel target
  blendImage(big.image, small.image);
  EXPECT_EQ(small.words(), Words(2, 0x00FDFDFD));
  copyImage(small.image, big.image);  // the source's two words
  EXPECT_EQ((Words{big.at(0, 0), big.at(1, 0), big.at(2, 0)}), (Words{0x00FDFDFD, 0x00FDFDFD, 0xFFFFFFFF}));
  // An image without pixels, on either side, changes nothing and gains nothing.
  const Words before = big.words();
  Image empty;
  empty.fill(1);
  empty.clear();
  empty.fadeTo(10, 0);
  empty.brighten(255);
  empty.modulateInto(big.image);
  big.image.modulateInto(empty);
  blendImage(empty, big.image);
  blendImage(big.image, empty);
  copyImage(big.image, empty);
  copyImage(empty, big.image);
  EXPECT_EQ(big.words(), before);
  EXPECT_EQ(empty.pixels, nullptr);
  EXPECT_EQ(empty.pixelCount(), 0u);
}

// A one-row picture over n words.
Image imageOf(uint32_t* words, size_t n) {
  Image image;
  image.width = static_cast<int32_t>(n), image.height = 1, image.pixels = words;
  return image;
}

// The vector paths against the per-byte formulas, on random pixels and every tail length.
TEST(WholeImageBlends, VectorPathsEqualThePerByteFormulas) {
  struct Kernels {
    void (*fade)(uint32_t*, size_t, uint32_t, uint32_t);
    void (*brighten)(uint32_t*, size_t, uint32_t);
    void (*modulate)(const uint32_t*, uint32_t*, size_t);
    void (*blend)(const uint32_t*, uint32_t*, size_t);
  };
  const Kernels plain{kernels::fadeToReference, kernels::brightenReference, kernels::modulateReference, kernels::blendOverReference};
  // The public blends go through the version this processor runs.
  const Kernels dispatched{
      [](uint32_t* p, size_t n, uint32_t level, uint32_t colour) { imageOf(p, n).fadeTo(level, colour); },
      [](uint32_t* p, size_t n, uint32_t amount) { imageOf(p, n).brighten(amount); },
      [](const uint32_t* s, uint32_t* t, size_t n) {
        Image target = imageOf(t, n);
        imageOf(const_cast<uint32_t*>(s), n).modulateInto(target);
      },
      [](const uint32_t* s, uint32_t* d, size_t n) {
        Image target = imageOf(d, n);
        blendImage(imageOf(const_cast<uint32_t*>(s), n), target);
      }};
  const std::pair<const char*, Kernels> paths[] = {
      {"dispatched", dispatched},
#if ORVANTA_X86_VECTORS
      {"sse2", {kernels::fadeToSse2, kernels::brightenSse2, kernels::modulateSse2, kernels::blendOverSse2}},
      {"avx2", {kernels::fadeToAvx2, kernels::brightenAvx2, kernels::modulateAvx2, kernels::blendOverAvx2}},
#endif
  };
  auto outputs = [](const Kernels& k, const Words& a, const Words& b, uint32_t level, uint32_t colour) {
    std::vector<Words> out{a, a, b, b};
    k.fade(out[0].data(), a.size(), level, colour);
    k.brighten(out[1].data(), a.size(), level);
    k.modulate(a.data(), out[2].data(), a.size());
    k.blend(a.data(), out[3].data(), a.size());
    return out;
  };
  std::mt19937 generator(20240611);
  for (const auto& [name, fast] : paths) {
    if (name == std::string("avx2") && !cpu::hasAvx2()) continue;
    for (int round = 0; round < 400; ++round) {
      Words a(1 + generator() % 83), b(a.size());
      for (auto& w : a) w = generator();
      for (auto& w : b) w = generator();
      if (round % 3 == 0) a[generator() % a.size()] = 0xFFFFFFFF;  // extreme bytes matter most
      if (round % 5 == 0) b[generator() % b.size()] = 0;
      if (round % 4 == 2) {  // a see-through stretch of the source: the blends' own path
        const size_t first = generator() % a.size();
        const size_t end = std::min(a.size(), first + generator() % 24);
        for (size_t j = first; j < end; ++j) a[j] |= 0xFF000000u;
      }
      // Every fourth round brightens by the show's amount, which has a path of its own.
      const uint32_t level = round % 4 == 1 ? (generator() & ~0xFFu) | kFullBrightening
                                            : static_cast<uint32_t>(generator());
      const uint32_t colour = generator();
      ASSERT_EQ(outputs(fast, a, b, level, colour), outputs(plain, a, b, level, colour)) << name << " level " << level;
    }
  }
}

// The show's brightening on every byte value in every channel, alpha included, and on runs of
// every tail length.
TEST(WholeImageBlends, FullBrighteningOfEveryByte) {
  Words pixels(256 + 7);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const uint32_t v = static_cast<uint32_t>(i) & 0xFFu;
    pixels[i] = v | ((v ^ 0x5Au) << 8) | ((255u - v) << 16) | (((v * 7u) & 0xFFu) << 24);
  }
  Words expected = pixels;
  kernels::brightenReference(expected.data(), expected.size(), kFullBrightening);
  for (size_t i = 0; i < 256; ++i) {  // the formula itself, for the colour bytes
    const uint32_t v = static_cast<uint32_t>(i);
    ASSERT_EQ(expected[i] & 0xFFu, v == 0 ? 0u : std::min(255u, 2 * v - 1)) << v;
  }
  using Brighten = void (*)(uint32_t*, size_t, uint32_t);
  std::vector<std::pair<const char*, Brighten>> paths = {
      {"dispatched", [](uint32_t* p, size_t n, uint32_t amount) { imageOf(p, n).brighten(amount); }}};
#if ORVANTA_X86_VECTORS
  paths.push_back({"sse2", kernels::brightenSse2});
  if (cpu::hasAvx2()) paths.push_back({"avx2", kernels::brightenAvx2});
#endif
  for (const auto& [name, brighten] : paths) {
    for (size_t length : {pixels.size(), size_t{256}, size_t{9}, size_t{3}}) {
      Words out(pixels.begin(), pixels.begin() + static_cast<ptrdiff_t>(length));
      brighten(out.data(), out.size(), kFullBrightening);
      ASSERT_EQ(out, Words(expected.begin(), expected.begin() + static_cast<ptrdiff_t>(length))) << name << " " << length;
    }
  }
}

}  // namespace
}  // namespace orvanta
