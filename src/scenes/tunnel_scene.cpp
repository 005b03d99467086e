#include "scenes/scenes.h"

namespace orvanta {

void initTunnelScene() {}

void renderTunnelScene(Image& frame, float /*t*/) { frame.clear(); }

}  // namespace orvanta
