// Pacing of presents, on a made-up counter of 1000 counts a second.

#include <gtest/gtest.h>

#include <cstdint>

#include "display/frame_placement.h"
#include "display/present_pacer.h"

namespace orvanta {
namespace {

// Presents `frames` frames that each take `work` counts to make and `blocks` counts in the
// present itself; returns the counts from the first present to the last.
uint64_t run(PresentPacer& pacer, int frames, uint64_t work, uint64_t blocks) {
  uint64_t now = 0, first = 0;
  for (int i = 0; i < frames; ++i) {
    now += work;
    now += pacer.delayBefore(now);
    if (i == 0) first = now;
    const uint64_t begin = now;
    now += blocks;
    pacer.presented(begin, now);
  }
  return now - first;
}

TEST(PresentPacer, WithoutVsyncPresentsKeepToTheRefreshRateAndDoNotBurstAfterAStall) {
  PresentPacer pacer;
  pacer.setRate(1000, 50, false);  // 20 counts a refresh
  EXPECT_EQ(pacer.period(), 20u);
  EXPECT_EQ(run(pacer, 11, 1, 0), 200u) << "ten refreshes between eleven quick presents";
  pacer.setRate(1000, 0, false);  // unknown: 60 Hz
  EXPECT_EQ(pacer.period(), 16u);
  // Slow frames are never held back.
  pacer.setRate(1000, 50, false);
  EXPECT_EQ(run(pacer, 5, 30, 0), 120u);
  // After a stall of many refreshes the next present goes at once and the one after waits a
  // whole refresh again, instead of several going out back to back.
  pacer.setRate(1000, 50, false);
  EXPECT_EQ(pacer.delayBefore(0), 0u);
  EXPECT_EQ(pacer.delayBefore(500), 0u);
  EXPECT_EQ(pacer.delayBefore(501), 19u);
  // A little late (within a refresh) keeps the grid: the next deadline is not pushed back.
  EXPECT_EQ(pacer.delayBefore(545), 0u);
  EXPECT_EQ(pacer.delayBefore(546), 14u);
}

TEST(PresentPacer, WithVsyncLetsPresentsThroughJustBeforeTheRefreshAndUnmasksAFalseClaim) {
  PresentPacer pacer;
  pacer.setRate(1000, 50, true);
  // A present that waits for the refresh: the next is let through 20 - 20/8 = 18 counts after.
  EXPECT_EQ(pacer.delayBefore(0), 0u);
  pacer.presented(0, 7);
  EXPECT_EQ(pacer.delayBefore(10), 15u);
  pacer.presented(25, 27);  // held for the refresh
  EXPECT_TRUE(pacer.trustsVsync());
  EXPECT_EQ(pacer.delayBefore(50), 0u);  // late frames go at once
  // A driver that claims vsync but returns at once, frame after frame: back on the grid.
  uint64_t now = 100;
  int presents = 0;
  for (; presents < 20 && pacer.trustsVsync(); ++presents) {
    now += 1;  // quick frames: each waits
    now += pacer.delayBefore(now);
    pacer.presented(now, now);
  }
  EXPECT_EQ(presents, 9) << "one late present, then eight that waited and returned at once";
  EXPECT_FALSE(pacer.trustsVsync());
  EXPECT_EQ(run(pacer, 11, 1, 0), 200u);
}

TEST(FramePlacement, LargestWholeScaleThatFitsCentredWithHalvesRoundedDown) {
  struct Case {
    int32_t width, height, scale, x, y;
  };
  for (const Case& c : {Case{320, 240, 1, 0, 0}, Case{1280, 960, 4, 0, 0}, Case{1920, 1080, 4, 320, 60},
                        Case{1366, 768, 3, 203, 24}, Case{3840, 2160, 9, 480, 0}, Case{641, 1000, 2, 0, 260},
                        Case{639, 479, 1, 159, 119}, Case{200, 100, 1, -60, -70}, Case{0, 0, 1, -160, -120}}) {
    const FramePlacement placement = placeFrame(c.width, c.height, 320, 240);
    EXPECT_EQ(placement.scale, c.scale) << c.width << "x" << c.height;
    EXPECT_EQ(placement.x, c.x) << c.width << "x" << c.height;
    EXPECT_EQ(placement.y, c.y) << c.width << "x" << c.height;
    EXPECT_EQ(placement.width, 320 * c.scale);
    EXPECT_EQ(placement.height, 240 * c.scale);
  }
}

}  // namespace
}  // namespace orvanta
