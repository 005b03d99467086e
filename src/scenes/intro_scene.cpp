#include "scenes/intro_scene.h"

#include "base/data_set_manifest.h"
#include "scenes/toolkit.h"

namespace orvanta {

void IntroScene::load(SceneLoader& loader) { loader.picture(picture, kOpeningPicture); }

// A still picture; only the random flicker and grain change from frame to frame. The copy,
// the flicker's fade, the grain and the brightening go over the frame in one sweep.
void IntroScene::render(SceneFrame& out, float /*t*/) {
  const uint32_t flicker = static_cast<uint32_t>(out.random.next() % 48);
  copyFadeThenFinish(picture, out.image, flicker, kWhite, {.amount = 30, .brightenings = 1}, out.random);
}

void IntroScene::skip(ShowRandom& random, float /*t*/, size_t framePixels) {
  random.discard(1 + framePixels);  // the flicker, then the grain's draw per pixel
}

}  // namespace orvanta
