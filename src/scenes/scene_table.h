#pragma once
// The show's seven scenes in one table: the name each goes by, how it loads, how it draws a
// frame and how it takes a jump in show time. The timeline's script names scenes by their
// place in this table.

#include <cstddef>
#include <cstdint>

#include "scenes/blob_scene.h"
#include "scenes/cube_scene.h"
#include "scenes/end_scene.h"
#include "scenes/intro_scene.h"
#include "scenes/plasma_plane_scene.h"
#include "scenes/scene_frame.h"
#include "scenes/scene_loader.h"
#include "scenes/spike_scene.h"
#include "scenes/tunnel_scene.h"

namespace orvanta {

// Every scene's state, for one show.
struct ShowScenes {
  IntroScene intro;
  TunnelScene tunnel;
  BlobScene blob;
  SpikeScene spike;
  PlasmaPlaneScene plasma;
  CubeScene cube;
  EndScene end;
};

struct SceneEntry {
  const char* name;
  void (*load)(ShowScenes& scenes, SceneLoader& loader);
  // Draws the frame for the absolute show time t in centiseconds.
  void (*render)(ShowScenes& scenes, SceneFrame& out, float t);
  // The show jumped to timeCs; the scene plays from startCs. Puts the scene's first-frame state
  // as that point of the show would have it; null for scenes without such state.
  void (*seek)(ShowScenes& scenes, float startCs, float timeCs);
  // What render does to the random generator and the scene's counters, without drawing a
  // frame of framePixels pixels; null for a scene that neither draws numbers nor counts.
  void (*skip)(ShowScenes& scenes, ShowRandom& random, float t, size_t framePixels);
};

// What the scenes carry from one frame to the next besides the frame itself (their pictures,
// meshes and work images are rewritten before they are read in every frame).
struct CarriedSceneState {
  int32_t spikeNoise = 0;
  FlashIn blobFlash;
  FlashIn tunnelFlash;

  bool operator==(const CarriedSceneState&) const = default;
};

CarriedSceneState carriedState(const ShowScenes& scenes);

// Places in kSceneTable, which is in the order the scenes load.
enum SceneId : int32_t {
  kBlobScene = 0,
  kSpikeScene,
  kPlasmaPlaneScene,
  kCubeScene,
  kIntroScene,
  kTunnelScene,
  kEndScene,
  kSceneCount,
};

extern const SceneEntry kSceneTable[kSceneCount];

}  // namespace orvanta
