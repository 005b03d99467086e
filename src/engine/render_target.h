#pragma once
// What the rasterizers draw into: a picture and the depth buffer that goes with it.

#include "engine/depth_buffer.h"
#include "image/image.h"

namespace orvanta {

struct RenderTarget {
  Image& image;
  DepthBuffer& depth;
};

}  // namespace orvanta
