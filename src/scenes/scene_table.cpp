#include "scenes/scene_table.h"

namespace orvanta {
namespace {

template <auto kMember>
constexpr SceneEntry entryOf(const char* name) {
  return {name, [](ShowScenes& scenes, SceneLoader& loader) { (scenes.*kMember).load(loader); },
          [](ShowScenes& scenes, SceneFrame& out, float t) { (scenes.*kMember).render(out, t); }, nullptr,
          [](ShowScenes& scenes, ShowRandom& random, float t, size_t framePixels) {
            (scenes.*kMember).skip(random, t, framePixels);
          }};
}

template <auto kMember>
constexpr SceneEntry seekableEntryOf(const char* name) {
  SceneEntry entry = entryOf<kMember>(name);
  entry.seek = [](ShowScenes& scenes, float startCs, float timeCs) { (scenes.*kMember).seek(startCs, timeCs); };
  return entry;
}

}  // namespace

CarriedSceneState carriedState(const ShowScenes& scenes) {
  return {scenes.spike.noiseLevel, scenes.blob.flash, scenes.tunnel.flash};
}

const SceneEntry kSceneTable[kSceneCount] = {
    seekableEntryOf<&ShowScenes::blob>("blob"),
    seekableEntryOf<&ShowScenes::spike>("spike"),
    entryOf<&ShowScenes::plasma>("plasma"),
    entryOf<&ShowScenes::cube>("cube"),
    entryOf<&ShowScenes::intro>("intro"),
    seekableEntryOf<&ShowScenes::tunnel>("tunnel"),
    entryOf<&ShowScenes::end>("end"),
};

}  // namespace orvanta
