#include "scenes/scenes.h"

namespace orvanta {

void initAllScenes() {
  initBlobScene();
  initSpikeScene();
  initPlasmaPlaneScene();
  initCubeScene();
  initIntroScene();
  initTunnelScene();
  initEndScene();
}

}  // namespace orvanta
