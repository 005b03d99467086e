#include "engine/pipeline.h"

namespace orvanta {

bool targetDrawable(const RenderTarget& target) {
  const Image& image = target.image;
  const DepthBuffer& depth = target.depth;
  return image.pixels != nullptr && image.width > 0 && image.height > 0 && depth.values != nullptr &&
         depth.width == image.width && depth.height >= image.height;
}

}  // namespace orvanta
