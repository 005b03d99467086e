#pragma once
// The program's performance counter: std::chrono::steady_clock in its native ticks.

#include "driver/frame_clock.h"

namespace orvanta {

class SteadyCounter final : public PerformanceCounter {
 public:
  int64_t frequency() override;
  int64_t count() override;
};

}  // namespace orvanta
