// Four merging blobs, polygonised every frame and drawn environment-mapped over two warped
// texture planes, with a zoom blur towards a wandering centre, a shaking camera, grain, an
// overlay that changes at 37.00 s, a flickering blur and a white flash at the start.

#include <cmath>

#include "base/data_files.h"
#include "base/truncate.h"
#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/texture_set.h"
#include "image/effects.h"
#include "image/image.h"
#include "iso/iso_surface.h"
#include "scenes/blob_scene.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

constexpr int32_t kBlobCount = 4;
constexpr float kBlobStrength = 10.0f;
constexpr double kBlobAmplitude = 48.0;
constexpr float kBlobPhaseDegrees = 132.0f;
constexpr float kOverlaySwitchTime = 3700.0f;

Camera gCamera;
Image gKeyedTexture;       // box.tga, 256 x 256, red 255 is transparent
Image gBackgroundTexture;  // s08_back2.tga, 256 x 256
Image gFirstOverlay;       // terrorist.tga, 320 x 240
Image gSecondOverlay;      // dravo.tga, 320 x 240
TextureSet gBlobTextures;
Image gWorkImage;
IsoSurface gBlobs;
FlashIn gFlash;

void moveBlobs(float s) {
  for (int32_t i = 0; i < kBlobCount; ++i) {
    const float e = static_cast<float>(i) * kBlobPhaseDegrees * 0.017452778f;
    gBlobs.sources.setSourcePosition(i, static_cast<float>(kBlobAmplitude * std::sin(e + 0.1 * s)),
                                     static_cast<float>(kBlobAmplitude * std::sin(e + 0.2 * s)),
                                     static_cast<float>(kBlobAmplitude * std::sin(e + 0.3 * s)));
  }
}

}  // namespace

void initBlobScene() {
  gCamera = Camera();
  gKeyedTexture.loadTga(dataFile("box.tga"));
  gBackgroundTexture.loadTga(dataFile("s08_back2.tga"));
  gFirstOverlay.loadTga(dataFile("terrorist.tga"));
  gSecondOverlay.loadTga(dataFile("dravo.tga"));
  gBlobTextures.setFlags(kTextured | kEnvLayer1);
  gBlobTextures.loadTexture(dataFile("s08_back3.tga"));
  gWorkImage.create(kFrameWidth, kFrameHeight);
  gBlobs.init(0.1f, 18, 14);
  for (int32_t i = 0; i < kBlobCount; ++i) {
    gBlobs.sources.addSource(kBlobStrength);
    gBlobs.sources.setSourcePosition(i, 0.0f, 0.0f, 0.0f);
  }
}

void renderBlobScene(RenderTarget target, float t) {
  Image& frame = target.image;
  frame.clear();
  gWorkImage.clear();

  warpPlane(&frame, gBackgroundTexture, static_cast<float>(-t * 0.9));
  warpPlaneKeyed(&frame, gKeyedTexture, t);
  smoothNeighbours(&frame);

  const int32_t centreY = truncToInt32(std::sin(t * 0.013962222205268014) * 80.0 + 120.0);
  const int32_t centreX = truncToInt32(std::sin(static_cast<double>(t * 0.017452778f)) * 100.0f + 160.0f);
  radialBlur(&frame, centreX, centreY, 1000, 16);

  const float eyeY = static_cast<float>(100.0 * std::sin(t * 0.0052358333269755045));
  const float eyeZ = static_cast<float>(sceneRandom() % 200 - 500);
  gCamera.lookAt(0.0f, eyeY, eyeZ, 0.0f, 0.0f, 0.0f);

  const float s = static_cast<float>(t * 0.1);
  moveBlobs(s);
  gBlobs.polygonise();
  Mesh& mesh = gBlobs.mesh;
  mesh.setOrientationScale(1.0f, 1.0f, 1.0f);
  mesh.setPosition(0.0f, 0.0f, 0.0f);
  mesh.rotate(static_cast<float>(t * 0.15), s, static_cast<float>(t * 0.2));
  mesh.drawMesh(target, gCamera, gBlobTextures);

  addNoiseThenBrighten(frame, 10, 2);
  blendImage(t < kOverlaySwitchTime ? gFirstOverlay : gSecondOverlay, &frame);
  flickerBlur(frame, gWorkImage, t);
  applyFlashIn(gFlash, frame, t);
}

const Camera& blobSceneCamera() { return gCamera; }

const IsoSurface& blobSceneSurface() { return gBlobs; }

void rearmBlobSceneFlash() { gFlash = FlashIn(); }

}  // namespace orvanta
