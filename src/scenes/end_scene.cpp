#include "scenes/scenes.h"

namespace orvanta {

void initEndScene() {}

void renderEndScene(Image& frame, float /*t*/) { frame.clear(); }

}  // namespace orvanta
