#pragma once
// The spike scene: a textured body and a ball of environment-mapped spikes that twist about
// the centre, seen by a circling camera; zoom blur, fading grain, a mask and the credits.

#include <cstdint>
#include <vector>

#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/texture_set.h"
#include "image/image.h"
#include "scenes/scene_frame.h"
#include "scenes/scene_loader.h"

namespace orvanta {

// One weight per vertex: the largest distance from the origin minus the vertex's own, so the
// outermost vertices (the tips) get 0 and inner ones twist more.
void computeSpikeWeights(const Mesh& mesh, std::vector<float>& weights);

// Rewrites the destination's positions: vertex i of the source rotated by
// angle + factor * weight[i] degrees about all three axes. Normals are left as they were.
void twistSpikes(const Mesh& source, Mesh& destination, const std::vector<float>& weights, float angle,
                 float factor);

struct SpikeScene {
  Camera camera{0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  Mesh body;
  Mesh spikeSource;  // untwisted positions, never drawn
  Mesh spikes;
  std::vector<float> spikeWeights;
  TextureSet bodySet;
  TextureSet spikeSet;
  Image mask;
  Image credits;
  Image blurWork;
  Image creditsLayer;
  int32_t noiseLevel = kStartNoise;  // the grain fades by one a frame down to kEndNoise

  static constexpr int32_t kStartNoise = 100;
  static constexpr int32_t kEndNoise = 20;

  SpikeScene() = default;
  SpikeScene(const SpikeScene&) = delete;
  SpikeScene& operator=(const SpikeScene&) = delete;
  ~SpikeScene() {
    releasePictures({&bodySet.texture, &bodySet.envMap, &bodySet.extra, &spikeSet.texture, &spikeSet.envMap,
                     &spikeSet.extra, &mask, &credits, &blurWork, &creditsLayer});
  }

  void load(SceneLoader& loader);
  void render(SceneFrame& out, float t);
  // What render does to the random generator and to the state the scene carries from frame to
  // frame, without drawing: a show fast-forwarded to a later frame. Kept beside render.
  void skip(ShowRandom& random, float t, size_t framePixels);
  // The fade counts frames, which a jump cannot know: before the scene it starts again, within
  // it the fade is taken as done.
  void seek(float startCs, float timeCs) { noiseLevel = timeCs >= startCs ? kEndNoise : kStartNoise; }
};

}  // namespace orvanta
