#include "driver/depth_buffer.h"
#include "engine/pipeline.h"

namespace orvanta {
namespace {

bool isTexture(const Image& image) {
  if (image.pixels == nullptr || image.width != image.height) return false;
  for (int32_t shift = 4; shift <= 10; ++shift) {
    if (image.width == (1 << shift)) {
      return image.widthShift == shift && image.widthMask == static_cast<uint32_t>(image.width - 1);
    }
  }
  return false;
}

}  // namespace

bool textureSetDrawable(const TextureSet& set) {
  if ((set.flags & kTwoLayer) != 0) {
    if (!isTexture(set.texture) || !isTexture(set.envMap)) return false;
    if ((set.flags & kBumpMap) == 0) return true;
    // Read with the base texel's index, so only its size matters.
    return set.extra.pixels != nullptr && set.extra.width == set.texture.width &&
           set.extra.height == set.texture.height;
  }
  if ((set.flags & kTextured) != 0) return isTexture(set.texture);
  return true;
}

bool targetDrawable(const Image& target) {
  return target.pixels != nullptr && target.width > 0 && target.height > 0 && gDepthBuffer.values != nullptr &&
         gDepthBuffer.width == target.width && gDepthBuffer.height >= target.height;
}

}  // namespace orvanta
