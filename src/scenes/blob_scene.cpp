#include "scenes/blob_scene.h"

#include <cmath>

#include "base/data_set_manifest.h"
#include "base/truncate.h"
#include "engine/mesh.h"
#include "image/effects.h"

namespace orvanta {
namespace {

constexpr int32_t kBlobCount = 4;
constexpr float kBlobStrength = 10.0f;
constexpr double kBlobAmplitude = 48.0;
constexpr float kBlobPhaseDegrees = 132.0f;
constexpr float kOverlaySwitchTime = 3700.0f;

void moveBlobs(IsoSurface& blobs, float s) {
  for (int32_t i = 0; i < kBlobCount; ++i) {
    const float e = static_cast<float>(i) * kBlobPhaseDegrees * 0.017452778f;
    blobs.sources.setSourcePosition(i, static_cast<float>(kBlobAmplitude * std::sin(e + 0.1 * s)),
                                    static_cast<float>(kBlobAmplitude * std::sin(e + 0.2 * s)),
                                    static_cast<float>(kBlobAmplitude * std::sin(e + 0.3 * s)));
  }
}

}  // namespace

void BlobScene::load(SceneLoader& loader) {
  camera = Camera();
  loader.picture(keyedTexture, kLatticeTexture);
  loader.picture(backgroundTexture, kStoneTexture);
  loader.picture(firstOverlay, kBlobOverlayFirst);
  loader.picture(secondOverlay, kBlobOverlaySecond);
  blobTextures.setFlags(kTextured | kEnvLayer1);
  loader.picture(blobTextures.texture, kChromeEnvironment);
  work.create(kFrameWidth, kFrameHeight);
  blobs.init(0.1f, 18, 14);
  for (int32_t i = 0; i < kBlobCount; ++i) {
    blobs.sources.addSource(kBlobStrength);
    blobs.sources.setSourcePosition(i, 0.0f, 0.0f, 0.0f);
  }
}

void BlobScene::render(SceneFrame& out, float t) {
  Image& frame = out.image;
  // Both planes in one pass when both textures are there. Otherwise the background plane
  // covers the frame unless its texture is missing. The work image is written in full by the
  // blur before it is read.
  if (!warpPlanePair(frame, backgroundTexture, static_cast<float>(-t * 0.9), keyedTexture, t)) {
    if (!warpPlane(frame, backgroundTexture, static_cast<float>(-t * 0.9))) {
      frame.clear();
      warpPlane(frame, backgroundTexture, static_cast<float>(-t * 0.9));
    }
    warpPlaneKeyed(frame, keyedTexture, t);
  }
  smoothNeighbours(frame);

  const int32_t centreY = truncToInt32(std::sin(t * 0.013962222205268014) * 80.0 + 120.0);
  const int32_t centreX = truncToInt32(std::sin(static_cast<double>(t * 0.017452778f)) * 100.0f + 160.0f);
  radialBlur(frame, centreX, centreY, 1000, 16);

  const float eyeY = static_cast<float>(100.0 * std::sin(t * 0.0052358333269755045));
  const float eyeZ = static_cast<float>(out.random.next() % 200 - 500);
  camera.lookAt(0.0f, eyeY, eyeZ, 0.0f, 0.0f, 0.0f);

  const float s = static_cast<float>(t * 0.1);
  moveBlobs(blobs, s);
  blobs.polygonise();
  Mesh& mesh = blobs.mesh;
  mesh.setOrientationScale(1.0f, 1.0f, 1.0f);
  mesh.setPosition(0.0f, 0.0f, 0.0f);
  mesh.rotate(static_cast<float>(t * 0.15), s, static_cast<float>(t * 0.2));
  mesh.drawMesh(out.target(), camera, blobTextures);

  const Image& overlay = t < kOverlaySwitchTime ? firstOverlay : secondOverlay;
  finishFrame(frame, {.amount = 10, .brightenings = 2, .overlay = &overlay}, out.random);
  flickerBlur(frame, work, t, out.random);
  applyFlashIn(flash, frame, t);
}

void BlobScene::skip(ShowRandom& random, float t, size_t framePixels) {
  random.discard(1 + framePixels + 1);  // the camera's shake, the grain, the flickering blur
  startFlashIn(flash, t);
}

}  // namespace orvanta
