#include "base/data_files.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

Image gIntroImage;  // 320 x 240

}  // namespace

void initIntroScene() { gIntroImage.loadTga(dataFile("progress.tga")); }

// A still picture; only the random flicker and grain change from frame to frame.
void renderIntroScene(RenderTarget target, float /*t*/) {
  Image& frame = target.image;
  copyImage(gIntroImage, &frame);
  frame.fadeTo(static_cast<uint32_t>(sceneRandom() % 48), kWhite);
  addNoise(frame, 30);
  frame.brighten(255);
}

}  // namespace orvanta
