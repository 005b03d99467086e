#pragma once
// Small pictures, vertices and a depth buffer for the rasterizer tests.

#include <cstdint>
#include <functional>

#include "driver/depth_buffer.h"
#include "engine/mesh.h"
#include "engine/raster.h"
#include "image/image.h"

namespace orvanta::testing {

// A square power-of-two texture with its addressing pair, texel(column, row) from `texel`.
inline Image makeTexture(int32_t side, const std::function<uint32_t(int32_t, int32_t)>& texel) {
  Image image;
  image.create(side, side);
  int32_t shift = 0;
  while ((1 << shift) < side) ++shift;
  image.widthShift = shift;
  image.widthMask = static_cast<uint32_t>(side - 1);
  for (int32_t row = 0; row < side; ++row) {
    for (int32_t column = 0; column < side; ++column) image.pixels[row * side + column] = texel(column, row);
  }
  return image;
}

inline Image makeFlatTexture(int32_t side, uint32_t colour) {
  return makeTexture(side, [colour](int32_t, int32_t) { return colour; });
}

// A texel that tells where it came from.
inline uint32_t positionTexel(int32_t column, int32_t row) {
  return 0xFF000000u | (static_cast<uint32_t>(row) << 12) | static_cast<uint32_t>(column);
}

inline RenderVertex screenVertex(float x, float y, float depth = 100.0f, float u = 0.0f, float v = 0.0f,
                                 float u2 = 0.0f, float v2 = 0.0f) {
  RenderVertex vertex;
  vertex.screenX = x;
  vertex.screenY = y;
  vertex.depth = depth;
  vertex.u = u;
  vertex.v = v;
  vertex.u2 = u2;
  vertex.v2 = v2;
  return vertex;
}

// A frame with a matching, empty depth buffer.
struct Frame {
  Image image;
  Frame(int32_t width, int32_t height) {
    image.create(width, height);
    createDepthBuffer(width, height);
  }
  ~Frame() { releasePixels(image); }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  uint32_t pixel(int32_t x, int32_t y) const { return image.pixels[y * image.width + x]; }
  int32_t depth(int32_t x, int32_t y) const { return gDepthBuffer.values[y * image.width + x]; }
  int countDrawn() const {
    int count = 0;
    for (size_t i = 0; i < image.pixelCount(); ++i) count += image.pixels[i] != 0 ? 1 : 0;
    return count;
  }
};

}  // namespace orvanta::testing
