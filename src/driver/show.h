#pragma once
// One run of the show: the frame, the depth buffer, the random generator, every scene's
// pictures, meshes and counters, the timeline and the show time. Front ends (the show
// programs, the capture tool, the web page, tests, benchmarks) open one and advance it a frame
// at a time; two shows in one process never share state.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "driver/timeline.h"
#include "image/image.h"
#include "scenes/scene_table.h"

namespace orvanta {

// What a show plays: its scenes and its script. Tests swap in their own; the tables must
// outlive the shows that play them.
struct ShowProgram {
  std::span<const SceneEntry> scenes = kSceneTable;
  std::span<const TimelineEntry> script = kTimelineScript;
};

// What one step did.
struct ShowStep {
  uint64_t index = 0;          // steps taken before this one
  float showTimeCs = 0.0f;     // the show time this frame was made for
  const char* scene = "none";  // the scene that drew it ("intro" ... "end"), or "none"
  bool rendered = false;       // false for the closing frame, which repeats the previous picture
  bool ended = false;          // the show is over: this was the closing frame
};

// Everything a show carries from one step to the next except the frame's pixels: two shows with
// equal checkpoints and equal frames make the same frames from then on.
struct ShowCheckpoint {
  uint64_t steps = 0;
  float showSeconds = 0.0f;
  float timeCs = 0.0f;
  size_t cursor = 0;
  int32_t currentScene = 0;
  bool ended = false;
  uint32_t random = 0;
  CarriedSceneState scenes;

  bool operator==(const ShowCheckpoint&) const = default;
};

class Show {
 public:
  // Loads every scene's data from `dataDirectory` (a missing or damaged file gives the
  // loader's message through the message hook and the show goes on without it).
  explicit Show(const std::string& dataDirectory = "data", const ShowProgram& program = {});
  ~Show();
  Show(const Show&) = delete;
  Show& operator=(const Show&) = delete;

  // Adds `deltaSeconds` to the show time (the frame clock's delta, or a fixed step), advances
  // the timeline and renders the frame of the current scene. After the step that ended the
  // show, further steps do nothing and return that step again.
  ShowStep step(float deltaSeconds);

  // The same step without drawing: the show time, the timeline, the random generator and the
  // scenes' counters move on as step would move them, the frame stays as it is. A capture split
  // over threads fast-forwards with it and then checks the result against a drawn run (the
  // checkpoint and the frame), so a scene that does not say all it carries is caught there.
  ShowStep skip(float deltaSeconds);
  ShowCheckpoint checkpoint() const;

  // The latest picture, kFrameWidth x kFrameHeight; black before the first scene has drawn.
  const Image& frame() const;

  // Show time in seconds, as carried from step to step.
  float showSeconds() const;
  // Moves the show time to `seconds` (clamped to 0 ... the show's length; NaN counts as 0):
  // the timeline is walked from the start again, so the next step draws the scene that plays
  // at that time, and a show that had ended plays on. Each scene's first-frame state is put as
  // a run that reached that time would have it: scenes still to come flash again when they
  // start, the scene playing there has had its start (a flash still fading shows the rest of
  // it). The grain's random sequence and the spike scene's frame-counted fade cannot be
  // recovered without drawing every frame before, so frames after a seek look like the show's
  // but are not word for word those of an unbroken run.
  void seek(float seconds);
  // Every step a show of `program` takes at a fixed step of deltaSeconds (> 0), up to the one
  // that ends it, as step would describe them; nothing is loaded or drawn. For planning
  // offline runs.
  static std::vector<ShowStep> plannedSteps(float deltaSeconds, const ShowProgram& program = {});
  // The show's length in seconds (the last wait of the script).
  static float lengthSeconds();

  // "<data directory>/pro2.mp3".
  const std::string& soundtrackPath() const;
  // Loader messages this show has issued while opening (missing or damaged files).
  int loaderMessages() const;

 private:
  ShowStep advance(float deltaSeconds);

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace orvanta
