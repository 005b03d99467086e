#pragma once
// The cube scene: a bevelled cube whose second texture layer is projected from a wobbling
// second camera while the viewing camera circles it; greetings, grain, blur and a mask.

#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/render_target.h"
#include "engine/texture_set.h"
#include "image/image.h"

namespace orvanta {

struct CubeScene {
  Camera viewCamera{0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  Camera projectorCamera{0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  Mesh cube;
  TextureSet cubeSet;
  Image greetings;
  Image mask;
  Image work;

  void load();
  void render(RenderTarget target, float t);
};

CubeScene& cubeScene();

}  // namespace orvanta
