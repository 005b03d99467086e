#include "scenes/spike_scene.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>

#include "base/data_set_manifest.h"
#include "image/effects.h"
#include "scenes/toolkit.h"

namespace orvanta {

void computeSpikeWeights(const Mesh& mesh, std::vector<float>& weights) {
  const int32_t count = std::max(mesh.vertexCount, 0);
  weights.assign(static_cast<size_t>(count), 0.0f);
  float largest = -1.0f;
  for (int32_t i = 0; i < count; ++i) {
    const Vec3& p = mesh.vertices[i].position;
    const float distance = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    weights[i] = distance;
    largest = std::max(largest, distance);
  }
  for (float& weight : weights) weight = largest - weight;
}

void twistSpikes(const Mesh& source, Mesh& destination, const std::vector<float>& weights, float angle,
                 float factor) {
  // Both meshes come from the same file; if they don't match, only the common vertices move.
  const int32_t count = std::min({source.vertexCount, destination.vertexCount, static_cast<int32_t>(weights.size())});
  // Vertices at the same distance from the centre turn by the same angle, and the same angle
  // gives the same matrix: a small cache keyed by the angle's bits builds each one once.
  struct CachedRotation {
    uint32_t angleBits = 0;
    bool filled = false;
    Matrix4 rotation;
  };
  constexpr uint32_t kCacheSize = 256;
  CachedRotation cache[kCacheSize];
  for (int32_t i = 0; i < count; ++i) {
    const float a = angle + factor * weights[i];
    const uint32_t bits = std::bit_cast<uint32_t>(a);
    CachedRotation& slot = cache[(bits ^ (bits >> 8) ^ (bits >> 16)) % kCacheSize];
    if (!slot.filled || slot.angleBits != bits) {
      slot.rotation.setRotation(a, a, a);
      slot.angleBits = bits;
      slot.filled = true;
    }
    const Vec3& p = source.vertices[i].position;
    slot.rotation.transformPoint(p.x, p.y, p.z, destination.vertices[i].position);
  }
}

void SpikeScene::load(SceneLoader& loader) {
  loader.picture(mask, kSpikeMask);
  loader.picture(credits, kCredits);
  bodySet.setFlags(kTextured);
  loader.picture(bodySet.texture, kCoreTexture);
  spikeSet.setFlags(kTextured | kEnvLayer1);
  loader.picture(spikeSet.texture, kChromeEnvironment);
  loader.picture(spikeSet.envMap, kGoldEnvironment);
  loader.model(body, kSpikeBody);
  body.computeVertexNormals();
  loader.model(spikeSource, kSpikeBall);
  loader.model(spikes, kSpikeBall);
  spikes.computeVertexNormals();
  blurWork.create(kFrameWidth, kFrameHeight);
  creditsLayer.create(kFrameWidth, kFrameHeight);
  computeSpikeWeights(spikes, spikeWeights);
}

void SpikeScene::render(SceneFrame& out, float t) {
  Image& frame = out.image;
  const float s = static_cast<float>(t * 0.1);
  frame.clear();

  const double radius = 200.0 * std::sin(s * 0.0052358333269755045) + 600.0;
  const float angle = s * 0.017452778f;
  const float eyeX = static_cast<float>(radius * std::sin(static_cast<double>(angle)));
  const float eyeY = static_cast<float>(40.0 * std::sin(s * 0.010471666653951009));
  const float eyeZ = static_cast<float>(radius * std::cos(static_cast<double>(angle)));
  camera.lookAt(eyeX, eyeY, eyeZ, 0.0f, 0.0f, 0.0f);

  body.setOrientationScale(1.0f, 1.0f, 1.0f);
  body.rotate(0.0f, 0.0f, 0.0f);
  body.setPosition(0.0f, 0.0f, 0.0f);
  body.drawMesh(out.target(), camera, bodySet);

  radialBlur(frame, 160, 120, 2000, 16);

  twistSpikes(spikeSource, spikes, spikeWeights, static_cast<float>(t * 0.8), 1.0f);
  spikes.setOrientationScale(1.0f, 1.0f, 1.0f);
  spikes.rotate(0.0f, 0.0f, 0.0f);
  spikes.setPosition(0.0f, 0.0f, 0.0f);
  spikes.drawMesh(out.target(), camera, spikeSet);

  // The credits are blended over the finished frame, blurred or not by the draw that follows
  // the grain's. That draw is read ahead, so that the blend joins the finishing sweep.
  const bool showCredits = t > 4800.0;
  const Image* creditsOver = nullptr;
  if (showCredits) {
    ShowRandom ahead = out.random;
    ahead.discard(frame.pixelCount());
    if (ahead.next() % 10 > 5) {
      blurPair(creditsLayer, blurWork, credits, t);
      creditsOver = &creditsLayer;
    } else if (credits.pixelCount() == creditsLayer.pixelCount()) {
      creditsOver = &credits;  // what the copy in the layer would give
    } else {
      copyImage(credits, creditsLayer);
      creditsOver = &creditsLayer;
    }
  }
  smoothThenFinish(frame, {.amount = noiseLevel, .brightenings = 2, .mask = &mask, .overlay = creditsOver},
                   out.random);
  if (showCredits) out.random.next();  // the draw read ahead

  noiseLevel = std::max(noiseLevel - 1, kEndNoise);
}

void SpikeScene::skip(ShowRandom& random, float t, size_t framePixels) {
  random.discard(framePixels);  // the grain
  if (t > 4800.0) random.discard(1);  // whether the credits are blurred
  noiseLevel = std::max(noiseLevel - 1, kEndNoise);
}

}  // namespace orvanta
