#include "driver/frame_clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvanta {
namespace {

// Hands out scripted readings. Past the script it counts on by one, so a clock that spins
// too long ends with a wrong delta instead of hanging.
struct ScriptedCounter final : PerformanceCounter {
  ScriptedCounter(int64_t f, std::vector<int64_t> r) : counts(f), readings(std::move(r)) {}
  int64_t frequency() override { return counts; }
  int64_t count() override {
    const size_t at = reads++;
    return at < readings.size() ? readings[at] : readings.back() + static_cast<int64_t>(at - readings.size() + 1);
  }
  int64_t counts;
  std::vector<int64_t> readings;
  size_t reads = 0;
};

TEST(FrameClock, TicksFromTheSecondStartReadingAndSpinsUntilTheCounterMoves) {
  // 2^20 s after the start one count (2^-10 s) is far below the float's step of 2^-3 s, yet
  // it is a new time: the tick stops at the fifth reading.
  const int64_t start = 7;
  const int64_t late = start + (int64_t{1} << 30);
  ScriptedCounter counter(1024, {start, late, late, late, late + 1});
  FrameClock clock;
  startClock(clock, counter);
  EXPECT_EQ(clock.previousTime, 1048576.0f);
  EXPECT_EQ(clock.delta, 0.0f);
  tickClock(clock);
  EXPECT_EQ(counter.reads, 5u);
  EXPECT_EQ(clock.previousTime, 1048576.0f);
  EXPECT_EQ(clock.delta, 0x1p-10f);
}

TEST(FrameClock, TimesComeFromTheStartNotFromSummedDeltas) {
  // Counts of a third of a second: each delta rounds, but the time after n ticks is n / 3.
  std::vector<int64_t> readings = {5, 5};
  for (int64_t i = 1; i <= 300; ++i) readings.push_back(5 + i);
  ScriptedCounter counter(3, readings);
  FrameClock clock;
  startClock(clock, counter);
  for (int i = 0; i < 300; ++i) tickClock(clock);
  EXPECT_EQ(clock.previousTime, 100.0f);
  // The previous time is float(299 / 3) = 99.666664123535156; 100 minus it is exact in float.
  EXPECT_EQ(clock.delta, 0.33333587646484375f);
}

}  // namespace
}  // namespace orvanta
