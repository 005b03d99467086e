#pragma once
// Measures the real time between frames with a high-resolution counter. Times are taken from
// the start reading, so the clock itself does not accumulate rounding errors.

#include <cstdint>

namespace orvanta {

// A monotonic counter: counts per second and the current count.
class PerformanceCounter {
 public:
  virtual ~PerformanceCounter() = default;
  virtual int64_t frequency() = 0;
  virtual int64_t count() = 0;
};

struct FrameClock {
  PerformanceCounter* counter = nullptr;
  int64_t startCount = 0;
  float previousTime = 0.0f;  // seconds from the start count to the latest reading
  float delta = 0.0f;         // seconds between the two latest readings
  double secondsPerCount = 0.0;
};

// Starts the clock from now; delta is 0 afterwards.
void startClock(FrameClock& clock, PerformanceCounter& counter);

// Takes a new reading, spinning until the counter has moved, and updates delta.
void tickClock(FrameClock& clock);

}  // namespace orvanta
