#include "engine/depth_buffer.h"
#include "engine/pipeline.h"

namespace orvanta {

bool targetDrawable(const Image& target) {
  return target.pixels != nullptr && target.width > 0 && target.height > 0 && gDepthBuffer.values != nullptr &&
         gDepthBuffer.width == target.width && gDepthBuffer.height >= target.height;
}

}  // namespace orvanta
