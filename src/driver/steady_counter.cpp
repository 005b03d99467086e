#include "driver/steady_counter.h"

#include <chrono>

namespace orvanta {

int64_t SteadyCounter::frequency() {
  using Period = std::chrono::steady_clock::period;
  static_assert(Period::num == 1, "steady_clock ticks must be a whole fraction of a second");
  return static_cast<int64_t>(Period::den);
}

int64_t SteadyCounter::count() {
  return static_cast<int64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

}  // namespace orvanta
