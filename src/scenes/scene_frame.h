#pragma once
// What a scene draws with on every call: the show's frame, its depth buffer and its random
// generator.

#include "base/random.h"
#include "engine/depth_buffer.h"
#include "engine/render_target.h"
#include "image/image.h"

namespace orvanta {

struct SceneFrame {
  Image& image;
  DepthBuffer& depth;
  ShowRandom& random;

  RenderTarget target() const { return {image, depth}; }
};

}  // namespace orvanta
