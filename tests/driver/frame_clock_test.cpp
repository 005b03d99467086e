#include "driver/frame_clock.h"

#include <gtest/gtest.h>

#include <deque>

namespace orvanta {
namespace {

// Hands out scripted readings; the last one repeats once the script runs out.
class ScriptedCounter final : public PerformanceCounter {
 public:
  ScriptedCounter(int64_t frequency, std::deque<int64_t> readings)
      : frequency_(frequency), readings_(std::move(readings)) {}
  int64_t frequency() override { return frequency_; }
  int64_t count() override {
    ++reads;
    const int64_t value = readings_.front();
    if (readings_.size() > 1) readings_.pop_front();
    return value;
  }
  int reads = 0;

 private:
  int64_t frequency_;
  std::deque<int64_t> readings_;
};

TEST(FrameClock, FirstTickMeasuresFromTheSecondStartReading) {
  // Start reads 1000, then 1256 (0.25 s at 1024 counts per second); the tick reads 2280.
  ScriptedCounter counter(1024, {1000, 1256, 2280});
  FrameClock clock;
  startClock(clock, counter);
  EXPECT_EQ(clock.delta, 0.0f);
  EXPECT_EQ(clock.previousTime, 0.25f);
  tickClock(clock);
  EXPECT_EQ(clock.delta, 1.0f);
  EXPECT_EQ(clock.previousTime, 1.25f);
}

TEST(FrameClock, TickSpinsUntilTheCounterMoves) {
  ScriptedCounter counter(1000, {0, 0, 0, 0, 0, 5});
  FrameClock clock;
  startClock(clock, counter);
  EXPECT_EQ(counter.reads, 2);
  tickClock(clock);
  EXPECT_EQ(counter.reads, 6);
  EXPECT_EQ(clock.delta, 0.005f);
  EXPECT_EQ(clock.previousTime, 0.005f);
}

TEST(FrameClock, MovementBelowFloatPrecisionStillCountsAsNewTime) {
  // 2^20 s after the start, one count (2^-10 s) is far below the float's step of 2^-3 s.
  const int64_t start = 7;
  const int64_t late = start + (int64_t{1} << 30);
  ScriptedCounter counter(1024, {start, late, late, late + 1});
  FrameClock clock;
  startClock(clock, counter);
  tickClock(clock);
  EXPECT_EQ(counter.reads, 4);
  EXPECT_EQ(clock.previousTime, 1048576.0f);
  EXPECT_EQ(clock.delta, 0x1p-10f);
}

TEST(FrameClock, TimesComeFromTheStartNotFromSummedDeltas) {
  // Counts of a third of a second: each delta rounds, but the time after n ticks is n / 3.
  std::deque<int64_t> readings = {5, 5};
  for (int64_t i = 1; i <= 300; ++i) readings.push_back(5 + i);
  ScriptedCounter counter(3, readings);
  FrameClock clock;
  startClock(clock, counter);
  for (int i = 0; i < 300; ++i) tickClock(clock);
  EXPECT_EQ(clock.previousTime, 100.0f);
  EXPECT_EQ(clock.delta, static_cast<float>(100.0 - static_cast<double>(static_cast<float>(299.0 / 3.0))));
}

}  // namespace
}  // namespace orvanta
