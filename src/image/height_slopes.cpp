#include "image/height_slopes.h"

namespace orvanta {

void HeightSlopes::build(const Image& heights) {
  const size_t count = heights.pixelCount();
  words_.assign(count, 0u);
  source_ = count == 0 ? nullptr : heights.pixels;
  width_ = count == 0 ? 0 : heights.width;
  height_ = count == 0 ? 0 : heights.height;
  const uint32_t* texels = heights.pixels;
  const size_t rowStep = count == 0 ? 0 : static_cast<size_t>(heights.width) % count;
  for (size_t i = 0; i < count; ++i) {
    const size_t next = i + 1 == count ? 0 : i + 1;
    const size_t below = i + rowStep >= count ? i + rowStep - count : i + rowStep;
    words_[i] = packHeightSlope(texels[i], texels[next], texels[below]);
  }
}

}  // namespace orvanta
