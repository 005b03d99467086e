#include "display/present_pacer.h"

namespace orvanta {
namespace {
// Presents in a row that must return at once, though early, before vsync is no longer believed.
constexpr int kUnwaitedPresents = 8;
}  // namespace

void PresentPacer::setRate(uint64_t countsPerSecond, int refreshHz, bool vsync) {
  const uint64_t hz = refreshHz > 0 ? static_cast<uint64_t>(refreshHz) : 60;
  period_ = countsPerSecond / hz;
  vsync_ = vsync;
  started_ = false;
  waited_ = false;
  returnedAtOnce_ = 0;
}

uint64_t PresentPacer::delayBefore(uint64_t now) {
  waited_ = false;
  if (!started_) {
    started_ = true;
    next_ = now + period_;
    return 0;
  }
  if (vsync_) {
    waited_ = now < next_;
    return waited_ ? next_ - now : 0;
  }
  if (now < next_) {
    const uint64_t delay = next_ - now;
    next_ += period_;
    waited_ = true;
    return delay;
  }
  next_ = now - next_ > period_ ? now + period_ : next_ + period_;
  return 0;
}

void PresentPacer::presented(uint64_t begin, uint64_t end) {
  if (!vsync_) return;
  // Let the next present through an eighth of a refresh early: far more than a sleep
  // oversleeps, far less than a refresh. A real vsync then holds it for about that long.
  next_ = end + period_ - period_ / 8;
  if (!waited_) return;
  returnedAtOnce_ = end - begin < period_ / 16 ? returnedAtOnce_ + 1 : 0;
  if (returnedAtOnce_ >= kUnwaitedPresents) {
    vsync_ = false;
    next_ = end + period_;
  }
}

}  // namespace orvanta
