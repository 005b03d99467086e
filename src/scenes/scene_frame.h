#pragma once
// What a scene draws with on every call: the show's frame, its depth buffer and its random
// generator.

#include "base/random.h"
#include "engine/depth_buffer.h"
#include "engine/render_target.h"
#include "image/image.h"

namespace orvanta {

class SceneFrame {
 public:
  SceneFrame(Image& frame, DepthBuffer& depthBuffer, ShowRandom& generator)
      : image(frame), random(generator), depth_(depthBuffer) {}

  Image& image;
  ShowRandom& random;

  // The frame with the depth buffer, cleared the first time a frame's scene asks for it: the
  // scenes that draw no meshes (a third of the show's frames) never pay for the clear.
  RenderTarget target() {
    if (!depthCleared_) {
      depth_.clear();
      depthCleared_ = true;
    }
    return {image, depth_};
  }

 private:
  DepthBuffer& depth_;
  bool depthCleared_ = false;
};

}  // namespace orvanta
