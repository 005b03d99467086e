#include "scenes/scenes.h"

namespace orvanta {

void initIntroScene() {}

void renderIntroScene(Image& frame, float /*t*/) { frame.clear(); }

}  // namespace orvanta
