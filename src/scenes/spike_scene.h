#pragma once
// The spike scene: a textured body and a ball of environment-mapped spikes that twist about
// the centre, seen by a circling camera; zoom blur, fading grain, a mask and the credits.

#include <cstdint>
#include <vector>

#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/render_target.h"
#include "engine/texture_set.h"
#include "image/image.h"

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
  int32_t noiseLevel = 100;

  void load();
  void render(RenderTarget target, float t);
};

// The show's instance, used by initSpikeScene / renderSpikeScene.
SpikeScene& spikeScene();

}  // namespace orvanta
