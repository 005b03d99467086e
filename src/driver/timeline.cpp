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

void renderCurrentScene(const Timeline& timeline, RenderTarget target) {
  if (timeline.currentScene != nullptr) timeline.currentScene(target, timeline.showTimeCs);
}

const char* sceneName(SceneRenderFn scene) {
  struct Named {
    SceneRenderFn scene;
    const char* name;
  };
  static constexpr Named kNames[] = {
      {renderIntroScene, "intro"}, {renderTunnelScene, "tunnel"},      {renderBlobScene, "blob"},
      {renderSpikeScene, "spike"}, {renderPlasmaPlaneScene, "plasma"}, {renderCubeScene, "cube"},
      {renderEndScene, "end"},
  };
  for (const Named& named : kNames) {
    if (scene != nullptr && scene == named.scene) return named.name;
  }
  return "none";
}

}  // namespace orvanta
