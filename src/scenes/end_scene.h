#pragma once
// The closing picture.

#include "base/data_set_manifest.h"
#include "image/image.h"
#include "scenes/scene_frame.h"
#include "scenes/scene_loader.h"

namespace orvanta {

struct EndScene {
  Image picture;  // 320 x 240

  EndScene() = default;
  EndScene(const EndScene&) = delete;
  EndScene& operator=(const EndScene&) = delete;
  ~EndScene() { releasePictures({&picture}); }

  void load(SceneLoader& loader) { loader.picture(picture, kEndPicture); }
  void render(SceneFrame& out, float /*t*/) { copyImage(picture, out.image); }
  void skip(ShowRandom& /*random*/, float /*t*/, size_t /*framePixels*/) {}
};

}  // namespace orvanta
