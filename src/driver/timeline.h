#pragma once
// The show's script: which scene draws the frame at a given show time, and when the show ends.
// The main loop advances the timeline once per frame with the show time in centiseconds and,
// until the end has been reached, lets it call the current scene.

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/render_target.h"
#include "scenes/scenes.h"

namespace orvanta {

enum class TimelineKind : uint32_t {
  Scene = 0,      // make `scene` the current scene
  WaitUntil = 1,  // stay on the current scene until the show time reaches `value` centiseconds
  End = 2,        // the show is over
};

// A render function draws the frame (with its depth buffer) in place for the absolute show time in centiseconds.
using SceneRenderFn = void (*)(RenderTarget target, float showTimeCs);

struct TimelineEntry {
  TimelineKind kind = TimelineKind::End;
  SceneRenderFn scene = nullptr;  // Scene entries only
  uint32_t value = 0;             // WaitUntil: whole centiseconds; otherwise 0
};

constexpr TimelineEntry sceneEntry(SceneRenderFn scene) { return {TimelineKind::Scene, scene, 0}; }
constexpr TimelineEntry waitUntilEntry(uint32_t centiseconds) {
  return {TimelineKind::WaitUntil, nullptr, centiseconds};
}
constexpr TimelineEntry endEntry() { return {TimelineKind::End, nullptr, 0}; }

// The 98-second show.
inline constexpr TimelineEntry kTimelineScript[] = {
    sceneEntry(renderIntroScene),       waitUntilEntry(1530),  //
    sceneEntry(renderTunnelScene),      waitUntilEntry(3000),  //
    sceneEntry(renderBlobScene),        waitUntilEntry(4600),  //
    sceneEntry(renderSpikeScene),       waitUntilEntry(6200),  //
    sceneEntry(renderPlasmaPlaneScene), waitUntilEntry(7700),  //
    sceneEntry(renderCubeScene),        waitUntilEntry(9400),  //
    sceneEntry(renderEndScene),         waitUntilEntry(9800),  //
    endEntry(),
};

struct Timeline {
  float showTimeCs = 0.0f;  // the time given to the latest advanceTimeline
  std::span<const TimelineEntry> script;
  size_t cursor = 0;
  SceneRenderFn currentScene = nullptr;  // none until the first Scene entry has been passed
};

Timeline createTimeline(std::span<const TimelineEntry> script);

// Stores the time and walks the script up to the next wait that lies in the future. Returns
// true once the End entry is reached, and on every call after that. A script that runs out
// without an End entry ends there too.
bool advanceTimeline(Timeline& timeline, float showTimeCs);

// Calls the current scene, if any, with the target and the latest show time.
void renderCurrentScene(const Timeline& timeline, RenderTarget target);

// "intro", "tunnel", "blob", "spike", "plasma", "cube" or "end" for the show's render
// functions; "none" for anything else, including no scene.
const char* sceneName(SceneRenderFn scene);

}  // namespace orvanta
