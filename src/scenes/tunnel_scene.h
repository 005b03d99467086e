#pragma once
// The tunnel scene: a flight down the textured, bump-mapped tunnel whose view sways from side
// to side, with a logo over it, a flickering blur, smoothing, brightening and a white flash.

#include "engine/render_target.h"
#include "image/image.h"
#include "image/tunnel.h"
#include "scenes/toolkit.h"

namespace orvanta {

struct TunnelScene {
  Tunnel tunnel;
  Image base;       // 256 x 256
  Image heightMap;  // 256 x 256, red byte
  Image envMap;     // 256 x 256
  Image logo;       // 320 x 240, alpha is transparency
  Image blurWork;   // 320 x 240
  FlashIn flash;

  void load();
  // t: absolute show time in centiseconds; the flight follows it, not the scene's start.
  void render(RenderTarget target, float t);
};

// The show's instance, used by initTunnelScene / renderTunnelScene.
TunnelScene& tunnelScene();

}  // namespace orvanta
