// The finishing sweep against the passes it stands for, one after the other over whole images.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/effects.h"
#include "image/finish.h"
#include "image/grain.h"
#include "image/image.h"

namespace orvanta {
namespace {

Image viewOf(std::vector<uint32_t>& words) { return pixelRun(words.data(), words.size()); }

// Run lengths around the sweep's registers and groups of 32, every set of passes with up to
// three brightenings (and a count below zero, which brightens nothing), grain amounts that
// keep no grain, a small and a large one; the overlay has whole see-through groups of eight
// (alpha 255 throughout), groups that are see-through but for one pixel, and noise.
TEST(FinishPixels, EqualThePassesOneAfterTheOther) {
  std::mt19937 generator(17);
  auto noise = [&](size_t count) {
    std::vector<uint32_t> words(count);
    for (uint32_t& word : words) word = static_cast<uint32_t>(generator());
    return words;
  };
  for (size_t count : {0, 1, 7, 8, 31, 32, 33, 100, 1029}) {
    std::vector<uint32_t> mask = noise(count);
    std::vector<uint32_t> overlay = noise(count);
    for (size_t i = 0; i < count; ++i) {
      const size_t group = i / 8;
      if (group % 3 == 0 || (group % 3 == 1 && i % 8 != 5)) overlay[i] |= 0xFF000000u;
    }
    for (int flags = 0; flags < 8; ++flags) {
      for (int brightenings : {-1, 0, 1, 2, 3}) {
        for (int amount : {1, 20, 300}) {
          FinishPasses passes;
          passes.grain = (flags & 1) != 0;
          passes.amount = amount;
          passes.mask = (flags & 2) != 0 ? mask.data() : nullptr;
          passes.brightenings = brightenings;
          passes.overlay = (flags & 4) != 0 ? overlay.data() : nullptr;
          std::vector<uint32_t> swept = noise(count);
          std::vector<uint32_t> passed = swept;
          ShowRandom sweptRandom, passedRandom;
          sweptRandom.setState(1234);
          passedRandom.setState(1234);
          finishPixels(swept.data(), count, passes, sweptRandom);

          Image image = viewOf(passed);
          if (passes.grain) addNoise(image, amount, passedRandom);
          if (passes.mask != nullptr) viewOf(mask).modulateInto(image);
          for (int k = 0; k < brightenings; ++k) image.brighten(kFullBrightening);
          if (passes.overlay != nullptr) blendImage(viewOf(overlay), image);

          ASSERT_EQ(swept, passed) << count << " pixels, flags " << flags << ", " << brightenings
                                   << " brightenings, amount " << amount;
          ASSERT_EQ(sweptRandom.state(), passedRandom.state());  // the same number of draws
        }
      }
    }
  }
}

}  // namespace
}  // namespace orvanta
