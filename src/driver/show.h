#pragma once
// One run of the show: the frame, the depth buffer, the random generator, every scene's
// pictures, meshes and counters, the timeline and the show time. Front ends (the show
// programs, the capture tool, the web page, tests, benchmarks) open one and advance it a frame
// at a time; two shows in one process never share state.

#include <cstdint>
#include <memory>
#include <string>

#include "image/image.h"

namespace orvanta {

// What one step did.
struct ShowStep {
  uint64_t index = 0;          // steps taken before this one
  float showTimeCs = 0.0f;     // the show time this frame was made for
  const char* scene = "none";  // the scene that drew it ("intro" ... "end"), or "none"
  bool rendered = false;       // false for the closing frame, which repeats the previous picture
  bool ended = false;          // the show is over: this was the closing frame
};

class Show {
 public:
  // Loads every scene's data from `dataDirectory` (a missing or damaged file gives the
  // loader's message through the message hook and the show goes on without it).
  explicit Show(const std::string& dataDirectory = "data");
  ~Show();
  Show(const Show&) = delete;
  Show& operator=(const Show&) = delete;

  // Adds `deltaSeconds` to the show time (the frame clock's delta, or a fixed step), advances
  // the timeline and renders the frame of the current scene. After the step that ended the
  // show, further steps do nothing and return ended.
  ShowStep step(float deltaSeconds);

  // The latest picture, kFrameWidth x kFrameHeight.
  const Image& frame() const;

  // Show time in seconds, as carried from step to step.
  float showSeconds() const;
  // Moves the show time to `seconds` (clamped to 0 ... the show's length): the timeline is
  // walked from the start again, so the next step draws the scene that plays at that time.
  void seek(float seconds);
  // The show's length in seconds (the last wait of the script).
  static float lengthSeconds();

  // "<data directory>/pro2.mp3".
  const std::string& soundtrackPath() const;
  // Loader messages this show has issued while opening (missing or damaged files).
  int loaderMessages() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace orvanta
