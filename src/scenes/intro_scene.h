#pragma once
// The opening: a still picture with a random white flicker and grain.

#include "image/image.h"
#include "scenes/scene_frame.h"
#include "scenes/scene_loader.h"

namespace orvanta {

struct IntroScene {
  Image picture;  // 320 x 240

  IntroScene() = default;
  IntroScene(const IntroScene&) = delete;
  IntroScene& operator=(const IntroScene&) = delete;
  ~IntroScene() { releasePictures({&picture}); }

  void load(SceneLoader& loader);
  void render(SceneFrame& out, float t);
};

}  // namespace orvanta
