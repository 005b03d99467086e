#include "scenes/scenes.h"

namespace orvanta {

void initCubeScene() {}

void renderCubeScene(Image& frame, float /*t*/) { frame.clear(); }

}  // namespace orvanta
