#include <algorithm>

#include "image/pixel_mixing.h"
#include "image/radial_blur_kernels.h"

namespace orvanta::kernels {
namespace {

struct ZoomPass {
  uint32_t* pixels;
  int64_t count;
  int32_t width;
  uint32_t level;

  uint32_t read(int64_t at) const { return pixels[std::clamp<int64_t>(at, 0, count - 1)]; }

  uint32_t sample(uint32_t u, uint32_t v) const {
    const int64_t at = static_cast<int64_t>(static_cast<int32_t>(v) >> 16) * pixel::kRowLength +
                       (static_cast<int32_t>(u) >> 16);
    return pixel::mixFour(read(at), read(at + 1), read(at + pixel::kRowLength), read(at + pixel::kRowLength + 1),
                          pixel::bilinearWeights(static_cast<int32_t>(u), static_cast<int32_t>(v)));
  }

  void visit(int64_t x, int64_t y, uint32_t u, uint32_t v) {
    uint32_t& target = pixels[y * width + x];
    const uint32_t sampled = sample(u, v);
    target = pixel::mixTwo(target, sampled, level);
  }

  // Left run towards column 0, then right run towards the last column.
  void row(int64_t y, uint32_t v, int32_t cx, uint32_t strength) {
    const uint32_t ucx = static_cast<uint32_t>(cx);
    for (int64_t x = std::min<int64_t>(cx, width - 1); x >= 0; --x) {
      visit(x, y, (ucx << 16) + static_cast<uint32_t>(cx - x) * (strength - 65536u), v);
    }
    for (int64_t x = std::max<int64_t>(int64_t{cx} + 1, 0); x < width; ++x) {
      visit(x, y, ((ucx + 1u) << 16) + static_cast<uint32_t>(x - cx - 1) * (65536u - strength), v);
    }
  }
};

}  // namespace

void radialBlurReference(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep) {
  if (image->pixelCount() == 0 || image->width != pixel::kRowLength) return;
  const uint32_t scaledStrength = static_cast<uint32_t>(strength) * static_cast<uint32_t>(image->width / 320);
  ZoomPass pass{image->pixels, static_cast<int64_t>(image->pixelCount()), image->width,
                (255u - static_cast<uint32_t>(keep)) & 0xFFu};
  const uint32_t ucy = static_cast<uint32_t>(cy);
  for (int64_t y = std::min<int64_t>(cy, image->height - 1); y >= 0; --y) {
    pass.row(y, (ucy << 16) + static_cast<uint32_t>(cy - y) * (scaledStrength - 65536u), cx, scaledStrength);
  }
  for (int64_t y = std::max<int64_t>(int64_t{cy} + 1, 0); y < image->height; ++y) {
    pass.row(y, ((ucy + 1u) << 16) + static_cast<uint32_t>(y - cy - 1) * (65536u - scaledStrength), cx,
             scaledStrength);
  }
}

}  // namespace orvanta::kernels
