#pragma once
// The blob scene: four merging blobs, polygonised every frame and drawn environment-mapped
// over two warped texture planes, with a zoom blur towards a wandering centre, a shaking
// camera, grain, an overlay that changes at 37.00 s, a flickering blur and a white flash.

#include "engine/camera.h"
#include "engine/texture_set.h"
#include "image/image.h"
#include "iso/iso_surface.h"
#include "scenes/scene_frame.h"
#include "scenes/scene_loader.h"
#include "scenes/toolkit.h"

namespace orvanta {

struct BlobScene {
  Camera camera;
  Image keyedTexture;       // 256 x 256, red 255 is transparent
  Image backgroundTexture;  // 256 x 256
  Image firstOverlay;       // 320 x 240
  Image secondOverlay;      // 320 x 240
  TextureSet blobTextures;
  Image work;
  IsoSurface blobs;
  FlashIn flash;

  BlobScene() = default;
  BlobScene(const BlobScene&) = delete;
  BlobScene& operator=(const BlobScene&) = delete;
  ~BlobScene() {
    releasePictures({&keyedTexture, &backgroundTexture, &firstOverlay, &secondOverlay, &blobTextures.texture,
                     &blobTextures.envMap, &blobTextures.extra, &work});
  }

  void load(SceneLoader& loader);
  void render(SceneFrame& out, float t);
  // What render does to the random generator and to the state the scene carries from frame to
  // frame, without drawing: a show fast-forwarded to a later frame. Kept beside render.
  void skip(ShowRandom& random, float t, size_t framePixels);
  void seek(float startCs, float timeCs) { flash.seek(startCs, timeCs); }
};

}  // namespace orvanta
