#pragma once
// The tunnel scene: a flight down the textured, bump-mapped tunnel whose view sways from side
// to side, with a logo over it, a flickering blur, smoothing, brightening and a white flash.

#include "image/image.h"
#include "image/tunnel.h"
#include "scenes/scene_frame.h"
#include "scenes/scene_loader.h"
#include "scenes/toolkit.h"

namespace orvanta {

struct TunnelScene {
  Tunnel tunnel;
  Image base;       // 256 x 256
  Image heightMap;  // 256 x 256, red byte
  HeightSlopes heightSlopes;  // of heightMap, made when it is loaded
  Image envMap;     // 256 x 256
  Image logo;       // 320 x 240, alpha is transparency
  Image blurWork;   // 320 x 240
  FlashIn flash;

  TunnelScene() = default;
  TunnelScene(const TunnelScene&) = delete;
  TunnelScene& operator=(const TunnelScene&) = delete;
  ~TunnelScene() { releasePictures({&base, &heightMap, &envMap, &logo, &blurWork}); }

  void load(SceneLoader& loader);
  // t: absolute show time in centiseconds; the flight follows it, not the scene's start.
  void render(SceneFrame& out, float t);
  // What render does to the random generator and to the state the scene carries from frame to
  // frame, without drawing: a show fast-forwarded to a later frame. Kept beside render.
  void skip(ShowRandom& random, float t, size_t framePixels);
  void seek(float startCs, float timeCs) { flash.seek(startCs, timeCs); }
};

}  // namespace orvanta
