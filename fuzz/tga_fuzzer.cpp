// libFuzzer target: any bytes as a TGA file, handed straight to the byte reader, then the
// picture in every role the scenes give pictures (frame-sized overlays and masks, blur
// sources, warped-plane and mesh textures, plasma pictures).

#include <cstddef>
#include <cstdint>
#include <set>
#include <utility>

#include "base/messages.h"
#include "fuzz_stage.h"
#include "image/effects.h"
#include "scenes/plasma_plane_scene.h"
#include "scenes/toolkit.h"

namespace {

using namespace orvanta;

void ignoreMessage(const char*, const char*) {}

// The 2D effects choose what they read and write by the picture's size alone, never by its
// values, so each size goes through them once; most of a run's time would otherwise go to
// repeating them. The drawing reads texels at places the values choose (the bump map), so
// every picture is drawn.
bool firstOfItsSize(const Image& picture) {
  static std::set<std::pair<int32_t, int32_t>> seen;
  return seen.insert({picture.width, picture.height}).second;
}

void useAsPicture(const Image& picture) {
  fuzz::Stage& s = fuzz::stage();
  copyImage(picture, s.frame);
  blendImage(picture, s.frame);
  picture.modulateInto(s.frame);
  blurVertical(s.work, picture, 5);
  blurHorizontal(s.work, picture, 3);
  blurHorizontal(s.work, picture, 0);
  warpPlane(s.frame, picture, 1234.0f);
  warpPlaneKeyed(s.frame, picture, 4321.0f);
  mixPlasma(s.heights, picture, picture, 2500.0f);
  mixPlasma(s.heights, picture, picture, 0.0f);
}

// A loaded picture may also be what an effect works on in place.
void workOn(Image& picture) {
  picture.fadeTo(17, kWhite);
  picture.brighten(255);
  ShowRandom random;
  addNoise(picture, 30, random);
  radialBlur(picture, 160, 120, 2000, 16);
  smoothNeighbours(picture);
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
    fuzz::drawInEveryRole(fuzz::stage().cube, picture);
    if (firstOfItsSize(picture)) {
      useAsPicture(picture);
      workOn(picture);
    }
  }
  releasePixels(picture);
  return 0;
}
