#pragma once
// The show from start-up to shutdown, written once for every front end.

#include <span>

#include "driver/frame_clock.h"
#include "driver/show_platform.h"
#include "driver/timeline.h"

namespace orvanta {

inline constexpr const char* kShowTitle = "veltrane";
inline constexpr const char* kSoundtrackName = "pro2.mp3";  // inside the data folder

inline constexpr int kExitShowOver = 0;
inline constexpr int kExitDisplayFailed = 1;

// What the show runs. Tests swap in their own scenes and script.
struct ShowProgram {
  void (*initScenes)() = initAllScenes;
  std::span<const TimelineEntry> script = kTimelineScript;
};

// Start-up, frame loop and shutdown. Returns the process exit status: kExitShowOver at the end
// of the show or on a quit event, kExitDisplayFailed when the display cannot be opened (nothing
// else has been started then).
int runShow(Display& display, FrameTimer& timer, MusicPlayer& music, bool windowed,
            const ShowProgram& program = {});

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
