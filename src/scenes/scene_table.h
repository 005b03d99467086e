#pragma once
// The show's seven scenes in one table: the name each goes by, how it loads, how it draws a
// frame and how it takes a jump in show time. The timeline's script names scenes by their
// place in this table.

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
};

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
