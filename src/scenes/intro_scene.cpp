#include "scenes/intro_scene.h"

#include "base/data_set_manifest.h"
#include "scenes/toolkit.h"

namespace orvanta {

void IntroScene::load(SceneLoader& loader) { loader.picture(picture, kOpeningPicture); }

// A still picture; only the random flicker and grain change from frame to frame.
void IntroScene::render(SceneFrame& out, float /*t*/) {
  Image& frame = out.image;
  copyImage(picture, frame);
  frame.fadeTo(static_cast<uint32_t>(out.random.next() % 48), kWhite);
  addNoise(frame, 30, out.random);
  frame.brighten(255);
}

void IntroScene::skip(ShowRandom& random, float /*t*/, size_t framePixels) {
  random.discard(1 + framePixels);  // the flicker, then the grain's draw per pixel
}

}  // namespace orvanta
