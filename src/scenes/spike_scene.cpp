#include "scenes/scenes.h"

namespace orvanta {

void initSpikeScene() {}

void renderSpikeScene(Image& frame, float /*t*/) { frame.clear(); }

}  // namespace orvanta
