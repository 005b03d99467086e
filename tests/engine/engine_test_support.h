#pragma once
// Small textures, screen vertices, a frame with its depth buffer, and square meshes for the
// engine's tests.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/camera.h"
#include "engine/depth_buffer.h"
#include "engine/mesh.h"
#include "engine/raster.h"
#include "engine/render_target.h"
#include "image/image.h"

namespace orvanta::testing {

// A texel that tells where it came from.
inline uint32_t positionTexel(int32_t column, int32_t row) {
  return 0xFF000000u | (static_cast<uint32_t>(row) << 12) | static_cast<uint32_t>(column);
}

inline RenderVertex screenVertex(float x, float y, float depth = 100.0f, float u = 0.0f, float v = 0.0f,
                                 float u2 = 0.0f, float v2 = 0.0f) {
  RenderVertex vertex;
  vertex.screenX = x, vertex.screenY = y, vertex.depth = depth;
  vertex.u = u, vertex.v = v, vertex.u2 = u2, vertex.v2 = v2;
  return vertex;
}

// A target with a matching, empty depth buffer; it also owns the textures made through it.
struct Frame {
  Image image;
  DepthBuffer depthBuffer;
  std::vector<Image> textures;
  Frame(int32_t width, int32_t height) : depthBuffer(width, height) { image.create(width, height); }
  ~Frame() {
    releasePixels(image);
    for (Image& texture : textures) releasePixels(texture);
  }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  // A square power-of-two texture with its addressing pair, texel(column, row) from `texel`.
  Image texture(int32_t side, const std::function<uint32_t(int32_t, int32_t)>& texel) {
    Image made;
    made.create(side, side);
    while ((1 << made.widthShift) < side) ++made.widthShift;
    made.widthMask = static_cast<uint32_t>(side - 1);
    for (int32_t i = 0; i < side * side; ++i) made.pixels[i] = texel(i % side, i / side);
    textures.push_back(made);
    return made;
  }
  Image flat(int32_t side, uint32_t colour) {
    return texture(side, [colour](int32_t, int32_t) { return colour; });
  }
  void clear() {
    image.clear();
    depthBuffer.clear();
  }
  RenderTarget target() { return {image, depthBuffer}; }

  uint32_t pixel(int32_t x, int32_t y) const { return image.pixels[y * image.width + x]; }
  int32_t depth(int32_t x, int32_t y) const { return depthBuffer.values[y * image.width + x]; }
  std::vector<uint32_t> pixels() const { return {image.pixels, image.pixels + image.pixelCount()}; }
  std::vector<int32_t> depths() const { return {depthBuffer.values, depthBuffer.values + image.pixelCount()}; }
  int count(uint32_t colour) const {
    int n = 0;
    for (size_t i = 0; i < image.pixelCount(); ++i) n += image.pixels[i] == colour ? 1 : 0;
    return n;
  }
  int countDrawn() const { return static_cast<int>(image.pixelCount()) - count(0); }
  // True when the pixels of this colour are exactly those of the box (edges included).
  bool fills(uint32_t colour, int32_t left, int32_t top, int32_t right, int32_t bottom) const {
    int inside = 0;
    for (int32_t y = top; y <= bottom; ++y) {
      for (int32_t x = left; x <= right; ++x) inside += pixel(x, y) == colour ? 1 : 0;
    }
    return inside == (right - left + 1) * (bottom - top + 1) && count(colour) == inside;
  }
};

// View space equals world space: projections are then easy to work out by hand.
inline Camera identityCamera() {
  Camera camera;
  camera.eye = Vec3{};
  camera.viewMatrix.setIdentity();
  return camera;
}

// Corners in screen order top-left, bottom-left, bottom-right, top-right (counter-clockwise
// with y down, so facing the camera), with texture coordinates in 0..1.
struct Quad {
  Vec3 corners[4];
  FaceCorner uv[4];
};

inline Quad square(float half, float z, FaceCorner uv = {}) {
  return Quad{{{-half, -half, z}, {-half, half, z}, {half, half, z}, {half, -half, z}}, {uv, uv, uv, uv}};
}

// Two faces per quad, (0, 1, 2) and (0, 2, 3), with normals computed.
inline void buildMesh(Mesh& mesh, const std::vector<Quad>& quads) {
  mesh.allocate(static_cast<int32_t>(quads.size() * 4), static_cast<int32_t>(quads.size() * 2));
  for (size_t q = 0; q < quads.size(); ++q) {
    const int32_t base = static_cast<int32_t>(q * 4);
    for (int k = 0; k < 4; ++k) mesh.vertices[base + k].position = quads[q].corners[k];
    const int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int f = 0; f < 2; ++f) {
      for (int k = 0; k < 3; ++k) {
        mesh.faces[q * 2 + f].indices[k] = base + corners[f][k];
        mesh.faces[q * 2 + f].corners[k] = quads[q].uv[corners[f][k]];
      }
    }
  }
  mesh.computeFaceNormals();
  mesh.computeVertexNormals();
}

}  // namespace orvanta::testing
