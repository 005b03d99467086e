#pragma once
// The show on a screen, from start-up to shutdown, written once for every front end that owns
// its loop: a thin loop over a Show.

#include <string>

#include "driver/frame_clock.h"
#include "driver/show.h"
#include "driver/show_platform.h"

namespace orvanta {

inline constexpr const char* kShowTitle = "veltrane";

inline constexpr int kExitShowOver = 0;
inline constexpr int kExitDisplayFailed = 1;

// Start-up, frame loop and shutdown. Returns the process exit status: kExitShowOver at the end
// of the show or on a quit event, kExitDisplayFailed when the display cannot be opened (nothing
// else has been started then). The show and its music start at `startSeconds` of show time.
// While paused the show time stands still and the latest picture is shown again; a seek moves
// show time, scenes and music together (within the show's span).
int runShow(Display& display, FrameTimer& timer, MusicPlayer& music, bool windowed,
            const std::string& dataDirectory = "data", const ShowProgram& program = {}, float startSeconds = 0.0f);

// The live frame timer: the frame clock over a performance counter.
class ClockFrameTimer final : public FrameTimer {
 public:
  explicit ClockFrameTimer(PerformanceCounter& counter) : counter_(counter) {}
  void start() override { startClock(clock_, counter_); }
  float tick() override {
    tickClock(clock_);
    return clock_.delta;
  }

 private:
  PerformanceCounter& counter_;
  FrameClock clock_;
};

}  // namespace orvanta
