#include "scenes/scenes.h"

namespace orvanta {

void initPlasmaPlaneScene() {}

void renderPlasmaPlaneScene(Image& frame, float /*t*/) { frame.clear(); }

}  // namespace orvanta
