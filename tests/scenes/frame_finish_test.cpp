// The scenes' fused sweeps against the passes they stand for: the smoothing followed by the
// grain, mask, brightenings and overlay, and the plasma mix at the grid's sample points only.

#include <gtest/gtest.h>

#include <vector>

#include "image/effects.h"
#include "image/grain.h"
#include "scenes/plasma_plane_scene.h"
#include "scenes/scene_test_support.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

using testing::OwnedImage;

// Every combination the scenes use and a few they do not, on random frames, with a mask and
// an overlay smaller than the frame (the passes stop at their last pixel).
TEST(FrameFinish, OneSweepEqualsTheSeparatePasses) {
  OwnedImage mask(320, 200), overlay(320, 17), wideOverlay(320, 240);
  testing::fillRandom(mask.image, 3);
  testing::fillRandom(overlay.image, 4);
  testing::fillRandom(wideOverlay.image, 5);
  const FrameFinish finishes[] = {
      {.amount = 10, .brightenings = 2, .overlay = &wideOverlay.image},
      {.amount = 20, .brightenings = 1, .overlay = &overlay.image},
      {.amount = 37, .brightenings = 2, .mask = &mask.image},
      {.grain = false, .brightenings = 1},
      {.amount = -5, .brightenings = 0, .mask = &mask.image, .overlay = &overlay.image},
  };
  for (int32_t height : {240, 5}) {
    for (const FrameFinish& finish : finishes) {
      OwnedImage fused(320, height), separate(320, height);
      testing::fillRandom(fused.image, static_cast<uint32_t>(height + finish.amount));
      testing::fillRandom(separate.image, static_cast<uint32_t>(height + finish.amount));
      ShowRandom fusedRandom, separateRandom;
      fusedRandom.setState(99);
      separateRandom.setState(99);
      smoothThenFinish(fused.image, finish, fusedRandom);

      smoothNeighbours(separate.image);
      if (finish.grain) addNoise(separate.image, finish.amount, separateRandom);
      if (finish.mask != nullptr) finish.mask->modulateInto(separate.image);
      for (int k = 0; k < finish.brightenings; ++k) separate.image.brighten(255);
      if (finish.overlay != nullptr) blendImage(*finish.overlay, separate.image);

      ASSERT_EQ(fused.words(), separate.words()) << height << " rows, amount " << finish.amount;
      EXPECT_EQ(fusedRandom.next(), separateRandom.next());  // the same number of draws
    }
  }
}

TEST(PlasmaPlane, SampledMixWritesTheGridPointsOnly) {
  OwnedImage first(640, 480), second(640, 480), full(320, 240), sampled(320, 240, 0x12345678);
  testing::fillRandom(first.image, 8);
  testing::fillRandom(second.image, 9);
  for (float t : {0.0f, 777.25f, 5300.0f}) {
    mixPlasma(full.image, first.image, second.image, t);
    mixPlasma(sampled.image, first.image, second.image, t, 10);
    for (int32_t y = 0; y < 240; ++y) {
      for (int32_t x = 0; x < 320; ++x) {
        const bool sample = x % 10 == 0 && y % 10 == 0;
        ASSERT_EQ(sampled.at(x, y), sample ? full.at(x, y) : 0x12345678u) << x << "," << y << " t " << t;
      }
    }
  }
  OwnedImage small(300, 200);
  sampled.image.fill(5);
  mixPlasma(sampled.image, small.image, small.image, 0.0f, 10);
  EXPECT_EQ(sampled.words(), std::vector<uint32_t>(320 * 240, 5u));
}

}  // namespace
}  // namespace orvanta
