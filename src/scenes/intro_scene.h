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
  // What render does to the random generator and to the state the scene carries from frame to
  // frame, without drawing: a show fast-forwarded to a later frame. Kept beside render.
  void skip(ShowRandom& random, float t, size_t framePixels);
};

}  // namespace orvanta
