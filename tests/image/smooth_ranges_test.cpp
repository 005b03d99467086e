// The smoothing sweep cut into consecutive ranges gives the words of one whole sweep, in every
// version, wherever the cuts fall (inside a group of four, at row ends, outside the sweep).

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "base/cpu_features.h"
#include "image/effects.h"
#include "image/smooth_kernels.h"
#include "image/smooth_sweep.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using Words = std::vector<uint32_t>;
using Kernel = void (*)(uint32_t*, size_t, size_t, size_t);

std::vector<std::pair<const char*, Kernel>> versions() {
  std::vector<std::pair<const char*, Kernel>> out{{"reference", kernels::smoothNeighboursReference}};
#if ORVANTA_X86_VECTORS
  out.push_back({"sse2", kernels::smoothNeighboursSse2});
  if (cpu::hasAvx2()) out.push_back({"avx2", kernels::smoothNeighboursAvx2});
#endif
  return out;
}

TEST(SmoothRanges, CutSweepsEqualTheWholeSweep) {
  std::mt19937 generator(21);
  for (size_t count : {size_t{320 * 240}, size_t{320 * 3 + 1}, size_t{320 * 5 + 7}}) {
    Words start(count);
    for (uint32_t& w : start) w = static_cast<uint32_t>(generator()) | (generator() % 3 == 0 ? 0xF0F0F0F0u : 0u);
    Words whole = start;
    kernels::smoothNeighboursReference(whole.data(), count, 0, count);
    for (const auto& [name, kernel] : versions()) {
      for (int trial = 0; trial < 40; ++trial) {
        // Random cuts, some of them duplicated (empty ranges) and some past the end.
        std::vector<size_t> cuts{0, count + 5};
        for (int k = 0; k < 1 + trial % 9; ++k) cuts.push_back(generator() % (count + 3));
        if (trial % 4 == 0) cuts.push_back(321);
        if (trial % 4 == 1) cuts.push_back(count - 320);
        std::sort(cuts.begin(), cuts.end());
        Words cut = start;
        for (size_t k = 0; k + 1 < cuts.size(); ++k) kernel(cut.data(), count, cuts[k], cuts[k + 1]);
        ASSERT_EQ(cut, whole) << name << " " << count << " trial " << trial;
      }
    }
  }
}

TEST(SmoothRanges, RangesOutsideTheSweepOrTooShortArraysChangeNothing) {
  for (const auto& [name, kernel] : versions()) {
    Words words(320 * 4, 0x80808080u);
    const Words before = words;
    kernel(words.data(), words.size(), 0, 321);                    // ends where the sweep starts
    kernel(words.data(), words.size(), words.size() - 320, 99999);  // starts where it ends
    kernel(words.data(), words.size(), 700, 700);
    kernel(words.data(), words.size(), 900, 500);
    EXPECT_EQ(words, before) << name;
    Words shortRun(641, 0x80808080u);
    kernel(shortRun.data(), shortRun.size(), 0, shortRun.size());
    EXPECT_EQ(shortRun, Words(641, 0x80808080u)) << name;
  }
}

// A trailing pass that changes every pixel and depends on the order it sees them in: any pixel
// handed on before the sweep's last read of it, handed twice or skipped shows in the words.
TEST(SmoothRanges, TheTrailingPassSeesEveryPixelOnceAfterItsLastRead) {
  for (int32_t height : {240, 3, 2, 9}) {
    for (int32_t width : {320, 100}) {
      testing::OwnedImage fused(width, height), separate(width, height);
      testing::fillRandom(fused.image, static_cast<uint32_t>(height * width));
      testing::fillRandom(separate.image, static_cast<uint32_t>(height * width));
      uint32_t stateFused = 7;
      uint32_t stateSeparate = 7;
      auto pass = [](Image& image, uint32_t& state) {
        return [&image, &state](size_t first, size_t count) {
          for (size_t i = first; i < first + count; ++i) {
            state = state * 1103515245u + 12345u;
            image.pixels[i] = (image.pixels[i] ^ state) + static_cast<uint32_t>(i);
          }
        };
      };
      std::vector<std::pair<size_t, size_t>> runs;
      auto fusedPass = pass(fused.image, stateFused);
      smoothNeighboursThen(fused.image, [&](size_t first, size_t count) {
        runs.push_back({first, count});
        fusedPass(first, count);
      });
      smoothNeighbours(separate.image);
      pass(separate.image, stateSeparate)(0, separate.image.pixelCount());
      ASSERT_EQ(fused.words(), separate.words()) << width << " x " << height;
      size_t next = 0;
      for (const auto& [first, count] : runs) {
        EXPECT_EQ(first, next);
        EXPECT_GT(count, 0u);
        next = first + count;
      }
      EXPECT_EQ(next, fused.image.pixelCount());
      if (width == 320 && height == 240) {
        EXPECT_GT(runs.size(), 20u);
      }
    }
  }
}

}  // namespace
}  // namespace orvanta
