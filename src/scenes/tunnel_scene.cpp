#include "scenes/tunnel_scene.h"

#include <cmath>

#include "base/data_files.h"
#include "image/effects.h"
#include "scenes/scenes.h"

namespace orvanta {

void TunnelScene::load() {
  tunnel.init(kFrameWidth, kFrameHeight);
  tunnel.setView(0.0f, 0.0f, -256.0f, 0.0f, 0.0f, 0.0f);
  base.loadTga(dataFile("tex0132.tga"));
  envMap.loadTga(dataFile("kvennenv2.tga"));
  heightMap.loadTga(dataFile("tex01b3.tga"));
  blurWork.create(kFrameWidth, kFrameHeight);
  logo.loadTga(dataFile("trovask.tga"));
}

void TunnelScene::render(RenderTarget target, float t) {
  Image& frame = target.image;
  const double time = t;
  frame.clear();

  // The second layer scrolls; the viewer moves 2.3 units per centisecond and sways with periods
  // of about 9.0 s and 7.2 s.
  tunnel.uOffset = static_cast<float>(time * 0.7);
  tunnel.vOffset = static_cast<float>(time * 0.3);
  tunnel.setView(0.0f, 0.0f, static_cast<float>(-time * 2.3),
                 static_cast<float>(30.0 * std::sin(time * 0.006981111102634007)),
                 static_cast<float>(30.0 * std::sin(time * 0.008726388878292508)), 0.0f);
  tunnel.draw(frame, base, heightMap, envMap);

  blendImage(logo, &frame);
  flickerBlur(frame, blurWork, t);
  smoothNeighbours(&frame);
  frame.brighten(255);
  applyFlashIn(flash, frame, t);
}

TunnelScene& tunnelScene() {
  static TunnelScene scene;
  return scene;
}

void initTunnelScene() { tunnelScene().load(); }

void renderTunnelScene(RenderTarget target, float t) { tunnelScene().render(target, t); }

}  // namespace orvanta
