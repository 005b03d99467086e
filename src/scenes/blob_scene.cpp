#include "scenes/scenes.h"

namespace orvanta {

void initBlobScene() {}

void renderBlobScene(Image& frame, float /*t*/) { frame.clear(); }

}  // namespace orvanta
