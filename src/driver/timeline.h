#pragma once
// The show's script: which scene draws the frame at a given show time, and when the show ends.
// The show advances the timeline once per frame with the show time in centiseconds and, until
// the end has been reached, lets the current scene draw.

#include <cstddef>
#include <cstdint>
#include <span>

#include "scenes/scene_table.h"

namespace orvanta {

enum class TimelineKind : uint32_t {
  Scene = 0,      // make `scene` the current scene
  WaitUntil = 1,  // stay on the current scene until the show time reaches `value` centiseconds
  End = 2,        // the show is over
};

inline constexpr int32_t kNoScene = -1;

struct TimelineEntry {
  TimelineKind kind = TimelineKind::End;
  int32_t scene = kNoScene;  // Scene entries only: a place in the show's scene table
  uint32_t value = 0;        // WaitUntil: whole centiseconds; otherwise 0
};

constexpr TimelineEntry sceneEntry(int32_t scene) { return {TimelineKind::Scene, scene, 0}; }
constexpr TimelineEntry waitUntilEntry(uint32_t centiseconds) {
  return {TimelineKind::WaitUntil, kNoScene, centiseconds};
}
constexpr TimelineEntry endEntry() { return {TimelineKind::End, kNoScene, 0}; }

// The 98-second show.
inline constexpr TimelineEntry kTimelineScript[] = {
    sceneEntry(kIntroScene),       waitUntilEntry(1530),  //
    sceneEntry(kTunnelScene),      waitUntilEntry(3000),  //
    sceneEntry(kBlobScene),        waitUntilEntry(4600),  //
    sceneEntry(kSpikeScene),       waitUntilEntry(6200),  //
    sceneEntry(kPlasmaPlaneScene), waitUntilEntry(7700),  //
    sceneEntry(kCubeScene),        waitUntilEntry(9400),  //
    sceneEntry(kEndScene),         waitUntilEntry(9800),  //
    endEntry(),
};

struct Timeline {
  float showTimeCs = 0.0f;  // the time given to the latest advanceTimeline
  std::span<const TimelineEntry> script;
  size_t cursor = 0;
  int32_t currentScene = kNoScene;  // none until the first Scene entry has been passed
};

Timeline createTimeline(std::span<const TimelineEntry> script);

// Stores the time and walks the script up to the next wait that lies in the future. Returns
// true once the End entry is reached, and on every call after that. A script that runs out
// without an End entry ends there too.
bool advanceTimeline(Timeline& timeline, float showTimeCs);

// The largest wait of the script, in centiseconds: where the show ends.
uint32_t scriptLengthCs(std::span<const TimelineEntry> script);

// The time `scene` starts to play: the wait before its first Scene entry (0 when none comes
// before it), or kNever when the script never plays it.
inline constexpr float kNever = 3.0e38f;
float sceneStartCs(std::span<const TimelineEntry> script, int32_t scene);

// The scene's name in the table, or "none" for no scene (or a place outside the table).
const char* sceneName(std::span<const SceneEntry> scenes, int32_t scene);

}  // namespace orvanta
