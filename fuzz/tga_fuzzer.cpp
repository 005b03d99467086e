// libFuzzer target: any bytes as a TGA file, handed straight to the byte reader, then the
// picture in every role the scenes give pictures (frame-sized overlays and masks, blur
// sources, warped-plane and mesh textures, plasma pictures).

#include <cstddef>
#include <cstdint>

#include "base/messages.h"
#include "fuzz_stage.h"
#include "image/effects.h"
#include "scenes/plasma_plane_scene.h"
#include "scenes/toolkit.h"

namespace {

using namespace orvanta;

void ignoreMessage(const char*, const char*) {}

void useAsPicture(const Image& picture) {
  fuzz::Stage& s = fuzz::stage();
  copyImage(picture, &s.frame);
  blendImage(picture, &s.frame);
  picture.modulateInto(s.frame);
  blurVertical(&s.work, picture, 5);
  blurHorizontal(&s.work, picture, 3);
  blurHorizontal(&s.work, picture, 0);
  warpPlane(&s.frame, picture, 1234.0f);
  warpPlaneKeyed(&s.frame, picture, 4321.0f);
  mixPlasma(&s.heights, picture, picture, 2500.0f);
  mixPlasma(&s.heights, picture, picture, 0.0f);
}

// A loaded picture may also be what an effect works on in place.
void workOn(Image& picture) {
  picture.fadeTo(17, kWhite);
  picture.brighten(255);
  ShowRandom random;
  addNoise(picture, 30, random);
  radialBlur(&picture, 160, 120, 2000, 16);
  smoothNeighbours(&picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    setMessageHook(ignoreMessage);
    return true;
  }();
  (void)quiet;

  Image picture;
  if (picture.decodeTga({data, size})) {
    useAsPicture(picture);
    fuzz::drawInEveryRole(fuzz::stage().cube, picture);
    workOn(picture);
  }
  releasePixels(picture);
  return 0;
}
