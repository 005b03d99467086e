#include "driver/timeline.h"

namespace orvanta {

Timeline createTimeline(std::span<const TimelineEntry> script) {
  Timeline timeline;
  timeline.script = script;
  return timeline;
}

bool advanceTimeline(Timeline& timeline, float showTimeCs) {
  timeline.showTimeCs = showTimeCs;
  while (timeline.cursor < timeline.script.size()) {
    const TimelineEntry& entry = timeline.script[timeline.cursor];
    switch (entry.kind) {
      case TimelineKind::Scene:
        timeline.currentScene = entry.scene;
        break;
      case TimelineKind::WaitUntil:
        // A time equal to the wait already counts as past it.
        if (static_cast<double>(entry.value) > static_cast<double>(showTimeCs)) return false;
        break;
      case TimelineKind::End:
      default:
        return true;  // the cursor stays here for good
    }
    ++timeline.cursor;
  }
  return true;
}

uint32_t scriptLengthCs(std::span<const TimelineEntry> script) {
  uint32_t last = 0;
  for (const TimelineEntry& entry : script) {
    if (entry.kind == TimelineKind::WaitUntil && entry.value > last) last = entry.value;
  }
  return last;
}

float sceneStartCs(std::span<const TimelineEntry> script, int32_t scene) {
  uint32_t waited = 0;
  for (const TimelineEntry& entry : script) {
    if (entry.kind == TimelineKind::WaitUntil) waited = entry.value;
    if (entry.kind == TimelineKind::Scene && entry.scene == scene) return static_cast<float>(waited);
    if (entry.kind == TimelineKind::End) break;
  }
  return kNever;
}

const char* sceneName(std::span<const SceneEntry> scenes, int32_t scene) {
  if (scene < 0 || static_cast<size_t>(scene) >= scenes.size()) return "none";
  return scenes[static_cast<size_t>(scene)].name;
}

}  // namespace orvanta
