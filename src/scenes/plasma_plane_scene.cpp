#include "scenes/plasma_plane_scene.h"

#include <algorithm>
#include <cmath>

#include "base/cpu_features.h"
#include "base/data_set_manifest.h"
#include "base/truncate.h"
#include "image/effects.h"
#include "scenes/toolkit.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>
#endif

namespace orvanta {
namespace {

constexpr int32_t kGridSide = 24;
constexpr int32_t kGridSpacing = 10;  // height samples every 10 pixels

bool windowFits(const Image& picture, int32_t x, int32_t y, const Image& window) {
  return picture.pixels != nullptr && x >= 0 && y >= 0 && picture.width - x >= window.width &&
         picture.height - y >= window.height;
}

uint32_t addSaturated(uint32_t p, uint32_t q) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t sum = ((p >> shift) & 0xFFu) + ((q >> shift) & 0xFFu);
    out |= std::min(sum, 255u) << shift;
  }
  return out;
}

}  // namespace

void mixPlasma(Image& destination, const Image& first, const Image& second, float t, int32_t spacing) {
  const int32_t ax = truncToInt32(std::sin(t * 0.0054103611045413546) * 159.0 + 160.0);
  const int32_t ay = truncToInt32(std::sin(t * 0.0034905555513170036) * 119.0 + 120.0);
  const int32_t bx = truncToInt32(std::sin(t * 0.003665083328882853) * 159.0 + 160.0);
  const int32_t by = truncToInt32(std::sin(t * 0.007853749990463257) * 119.0 + 120.0);
  if (destination.pixelCount() == 0 || !windowFits(first, ax, ay, destination) ||
      !windowFits(second, bx, by, destination)) {
    return;
  }
  if (spacing > 1) {
    for (int32_t y = 0; y < destination.height; y += spacing) {
      const uint32_t* p = first.pixels + static_cast<size_t>(ay + y) * first.width + ax;
      const uint32_t* q = second.pixels + static_cast<size_t>(by + y) * second.width + bx;
      uint32_t* out = destination.pixels + static_cast<size_t>(y) * destination.width;
      for (int32_t x = 0; x < destination.width; x += spacing) out[x] = addSaturated(p[x], q[x]);
    }
    return;
  }
  uint32_t* out = destination.pixels;
  for (int32_t y = 0; y < destination.height; ++y) {
    const uint32_t* p = first.pixels + static_cast<size_t>(ay + y) * first.width + ax;
    const uint32_t* q = second.pixels + static_cast<size_t>(by + y) * second.width + bx;
    int32_t x = 0;
#if ORVANTA_X86_VECTORS
    for (; x + 4 <= destination.width; x += 4) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + x));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_adds_epu8(a, b));
    }
#endif
    for (; x < destination.width; ++x) out[x] = addSaturated(p[x], q[x]);
    out += destination.width;
  }
}

void displaceGrid(Mesh& destination, const Mesh& source, int32_t n, const Image& heights) {
  // A grid model or a height image too small for n x n samples is left flat.
  const int64_t vertices = static_cast<int64_t>(n) * n;
  if (n <= 0 || vertices > destination.vertexCount || vertices > source.vertexCount || heights.pixels == nullptr ||
      kGridSpacing * (n - 1) >= heights.width || kGridSpacing * (n - 1) >= heights.height) {
    return;
  }
  for (int32_t r = 0; r < n; ++r) {
    for (int32_t c = 0; c < n; ++c) {
      const int32_t k = r * n + c;
      const Vec3& from = source.vertices[k].position;
      const uint32_t texel = heights.pixels[kGridSpacing * r * heights.width + kGridSpacing * c];
      const float red = static_cast<float>((texel >> 16) & 0xFFu);
      Vec3& to = destination.vertices[k].position;
      to.x = from.x;
      to.y = from.y;
      to.z = static_cast<float>(static_cast<double>(red * from.z) * 1.8);
    }
  }
}

void PlasmaPlaneScene::load(SceneLoader& loader) {
  gridSet.setFlags(kTextured | kTwoLayer | kEnvLayer2 | kBumpMap | kAddLayers);
  loader.picture(gridSet.texture, kPanelTexture);
  loader.picture(gridSet.envMap, kTealEnvironment);
  loader.picture(gridSet.extra, kPanelHeights);
  gridSet.slopes.build(gridSet.extra);
  loader.model(grid, kPlaneGrid);
  grid.computeVertexNormals();
  loader.model(gridSource, kPlaneGrid);
  loader.picture(overlay, kControlTest);
  loader.picture(firstPlasma, kPlasma);
  loader.picture(secondPlasma, kPlasma);
  heights.create(kFrameWidth, kFrameHeight);
  work.create(kFrameWidth, kFrameHeight);
}

void PlasmaPlaneScene::render(SceneFrame& out, float t) {
  Image& frame = out.image;
  frame.clear();
  camera.lookAt(0.0f, 200.0f, -300.0f, 0.0f, 0.0f, 0.0f);
  mixPlasma(heights, firstPlasma, secondPlasma, t, kGridSpacing);  // only what the grid reads
  displaceGrid(grid, gridSource, kGridSide, heights);
  grid.computeVertexNormals();

  grid.setOrientationScale(1.0f, 1.0f, 1.0f);
  grid.rotate(0.0f, 0.0f, static_cast<float>(t * 0.4));
  grid.setPosition(0.0f, 0.0f, 0.0f);
  grid.drawMesh(out.target(), camera, gridSet);

  smoothThenFinish(frame, {.amount = 10, .brightenings = 2, .overlay = &overlay}, out.random);
  flickerBlur(frame, work, t, out.random);
}

void PlasmaPlaneScene::skip(ShowRandom& random, float /*t*/, size_t framePixels) {
  random.discard(framePixels + 1);  // the grain, the flickering blur
}

}  // namespace orvanta
