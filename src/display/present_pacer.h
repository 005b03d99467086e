#pragma once
// Keeps presents to at most one per display refresh. Counts are those of any monotonic counter.
//
// Without vsync, presents are placed on a steady grid of deadlines one refresh apart. With
// vsync the present itself waits for the refresh; the pacer then lets a present through a
// little before the next refresh, so that the wait for it is never missed. A driver that claims
// vsync but does not wait is found out by presents that return at once, and then paced on the
// grid.

#include <cstdint>

namespace orvanta {

class PresentPacer {
 public:
  // `countsPerSecond` of the counter; a refresh rate of 0 or less means unknown (60 Hz).
  void setRate(uint64_t countsPerSecond, int refreshHz, bool vsync);
  // Counts to wait before presenting at `now`. On the grid, a present that is late by more than
  // a refresh starts a new grid rather than bursting to catch up.
  uint64_t delayBefore(uint64_t now);
  // The present let through at `begin` (after the delay) returned at `end`.
  void presented(uint64_t begin, uint64_t end);
  uint64_t period() const { return period_; }
  bool trustsVsync() const { return vsync_; }

 private:
  uint64_t period_ = 0;
  uint64_t next_ = 0;  // grid: the next deadline; vsync: the earliest next present
  bool vsync_ = false;
  bool started_ = false;
  bool waited_ = false;    // the latest delayBefore asked for a wait
  int returnedAtOnce_ = 0;  // presents in a row that came early and did not wait
};

}  // namespace orvanta
