#pragma once
// The cube scene: a bevelled cube whose second texture layer is projected from a wobbling
// second camera while the viewing camera circles it; greetings, grain, blur and a mask.

#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/texture_set.h"
#include "image/image.h"
#include "scenes/scene_frame.h"
#include "scenes/scene_loader.h"

namespace orvanta {

struct CubeScene {
  Camera viewCamera{0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  Camera projectorCamera{0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  Mesh cube;
  TextureSet cubeSet;
  Image greetings;
  Image mask;
  Image work;

  CubeScene() = default;
  CubeScene(const CubeScene&) = delete;
  CubeScene& operator=(const CubeScene&) = delete;
  ~CubeScene() { releasePictures({&cubeSet.texture, &cubeSet.envMap, &cubeSet.extra, &greetings, &mask, &work}); }

  void load(SceneLoader& loader);
  void render(SceneFrame& out, float t);
  // What render does to the random generator and to the state the scene carries from frame to
  // frame, without drawing: a show fast-forwarded to a later frame. Kept beside render.
  void skip(ShowRandom& random, float t, size_t framePixels);
};

}  // namespace orvanta
