#include "driver/frame_clock.h"

namespace orvanta {

void startClock(FrameClock& clock, PerformanceCounter& counter) {
  clock.counter = &counter;
  clock.secondsPerCount = 1.0 / static_cast<double>(counter.frequency());
  clock.startCount = counter.count();
  const int64_t reading = counter.count();
  clock.previousTime = static_cast<float>(static_cast<double>(reading - clock.startCount) * clock.secondsPerCount);
  clock.delta = 0.0f;
}

void tickClock(FrameClock& clock) {
  double t = 0.0;
  do {
    const int64_t reading = clock.counter->count();
    t = static_cast<double>(reading - clock.startCount) * clock.secondsPerCount;
    // Compared before rounding to float: a reading that only moved within the float's
    // precision still counts as a new time.
  } while (t == static_cast<double>(clock.previousTime));
  clock.delta = static_cast<float>(t - static_cast<double>(clock.previousTime));
  clock.previousTime = static_cast<float>(t);
}

}  // namespace orvanta
