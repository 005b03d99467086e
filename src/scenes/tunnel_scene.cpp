#include "scenes/tunnel_scene.h"

#include <cmath>

#include "base/data_set_manifest.h"
#include "image/effects.h"

namespace orvanta {

void TunnelScene::load(SceneLoader& loader) {
  tunnel.init(kFrameWidth, kFrameHeight);
  tunnel.setView(0.0f, 0.0f, -256.0f, 0.0f, 0.0f, 0.0f);
  loader.picture(base, kPanelTexture);
  loader.picture(envMap, kTealEnvironment);
  loader.picture(heightMap, kPanelHeights);
  heightSlopes.build(heightMap);
  blurWork.create(kFrameWidth, kFrameHeight);
  loader.picture(logo, kTunnelLogo);
}

void TunnelScene::render(SceneFrame& out, float t) {
  Image& frame = out.image;
  const double time = t;

  // The second layer scrolls; the viewer moves 2.3 units per centisecond and sways with periods
  // of about 9.0 s and 7.2 s.
  tunnel.uOffset = static_cast<float>(time * 0.7);
  tunnel.vOffset = static_cast<float>(time * 0.3);
  tunnel.setView(0.0f, 0.0f, static_cast<float>(-time * 2.3),
                 static_cast<float>(30.0 * std::sin(time * 0.006981111102634007)),
                 static_cast<float>(30.0 * std::sin(time * 0.008726388878292508)), 0.0f);
  if (!tunnel.draw(frame, base, heightMap, envMap, &heightSlopes)) {
    // Blocks missing (a texture that could not be used): the frame starts black as usual.
    frame.clear();
    tunnel.draw(frame, base, heightMap, envMap, &heightSlopes);
  }

  blendImage(logo, frame);
  flickerBlur(frame, blurWork, t, out.random);
  smoothThenFinish(frame, {.grain = false, .brightenings = 1}, out.random);
  applyFlashIn(flash, frame, t);
}

void TunnelScene::skip(ShowRandom& random, float t, size_t /*framePixels*/) {
  random.discard(1);  // the flickering blur; this scene has no grain
  startFlashIn(flash, t);
}

}  // namespace orvanta
