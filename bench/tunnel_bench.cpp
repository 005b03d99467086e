#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "image/tunnel.h"
#include "scenes/tunnel_scene.h"

namespace orvanta {
namespace {

// Textures like the show's: a tiled base picture, a smooth height map, a soft light blob.
Image baseTexture() {
  Image image;
  image.create(kTunnelTextureSize, kTunnelTextureSize);
  for (int32_t y = 0; y < kTunnelTextureSize; ++y) {
    for (int32_t x = 0; x < kTunnelTextureSize; ++x) {
      const uint32_t tile = ((x >> 5) + (y >> 5)) & 1 ? 0x60u : 0x30u;
      image.pixels[y * kTunnelTextureSize + x] = packArgb(tile + (x & 31), tile, tile + (y & 31), 0xFF);
    }
  }
  return image;
}

Image heightTexture() {
  Image image;
  image.create(kTunnelTextureSize, kTunnelTextureSize);
  for (int32_t y = 0; y < kTunnelTextureSize; ++y) {
    for (int32_t x = 0; x < kTunnelTextureSize; ++x) {
      const double h = 127.5 + 60.0 * std::sin(x * 0.0981748) + 60.0 * std::sin(y * 0.0490874);
      const uint32_t level = static_cast<uint32_t>(h);
      image.pixels[y * kTunnelTextureSize + x] = packArgb(level, level, level, 0xFF);
    }
  }
  return image;
}

Image envTexture() {
  Image image;
  image.create(kTunnelTextureSize, kTunnelTextureSize);
  for (int32_t y = 0; y < kTunnelTextureSize; ++y) {
    for (int32_t x = 0; x < kTunnelTextureSize; ++x) {
      const double dx = x - 128.0;
      const double dy = y - 128.0;
      const double light = std::max(0.0, 255.0 - std::sqrt(dx * dx + dy * dy) * 2.0);
      const uint32_t level = static_cast<uint32_t>(light);
      image.pixels[y * kTunnelTextureSize + x] = packArgb(level, level, level, 0);
    }
  }
  return image;
}

// Worst case for the caches: every texel different.
Image noiseTexture(uint32_t seed) {
  Image image;
  image.create(kTunnelTextureSize, kTunnelTextureSize);
  uint32_t state = seed;
  for (size_t i = 0; i < image.pixelCount(); ++i) {
    state = state * 1664525u + 1013904223u;
    image.pixels[i] = state;
  }
  return image;
}

// The scene's view at show time t (centiseconds).
void setSceneView(Tunnel& tunnel, float t) {
  const double time = t;
  tunnel.uOffset = static_cast<float>(time * 0.7);
  tunnel.vOffset = static_cast<float>(time * 0.3);
  tunnel.setView(0.0f, 0.0f, static_cast<float>(-time * 2.3),
                 static_cast<float>(30.0 * std::sin(time * 0.006981111102634007)),
                 static_cast<float>(30.0 * std::sin(time * 0.008726388878292508)), 0.0f);
}

void drawFrames(benchmark::State& state, Image base, Image height, Image env) {
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  Image frame;
  frame.create(kFrameWidth, kFrameHeight);
  HeightSlopes slopes;  // as the scene makes them when it loads the map
  slopes.build(height);
  float t = 1530.0f;
  for (auto _ : state) {
    setSceneView(tunnel, t);
    tunnel.draw(frame, base, height, env, &slopes);
    benchmark::DoNotOptimize(frame.pixels);
    t += 1.7f;
    if (t > 3000.0f) t = 1530.0f;
  }
}

void BM_TunnelDraw(benchmark::State& state) {
  drawFrames(state, baseTexture(), heightTexture(), envTexture());
}
BENCHMARK(BM_TunnelDraw)->Unit(benchmark::kMicrosecond);

void BM_TunnelDrawNoiseTextures(benchmark::State& state) {
  drawFrames(state, noiseTexture(1), noiseTexture(2), noiseTexture(3));
}
BENCHMARK(BM_TunnelDrawNoiseTextures)->Unit(benchmark::kMicrosecond);

// The block fill alone: the nodes of one view cast once, every block of the frame drawn per
// iteration; argument 0 takes the dispatched version, 1 and 2 the Avx2 one with each way of
// loading the texels (where the processor runs it), so the two ways compare on this machine.
void BM_TunnelBlocks(benchmark::State& state) {
#if ORVANTA_X86_AVX2
  const bool avx2 = state.range(0) != 0 && cpu::hasAvx2();
  const cpu::LaneLoads loads = state.range(0) == 1 ? cpu::LaneLoads::kGather : cpu::LaneLoads::kSingle;
  if (state.range(0) != 0) state.SetLabel(!avx2 ? "no avx2" : state.range(0) == 1 ? "gathers" : "single loads");
#endif
  const Image base = baseTexture(), height = heightTexture(), env = envTexture();
  HeightSlopes slopes;
  slopes.build(height);
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  setSceneView(tunnel, 2000.0f);
  tunnel.castNodes();
  std::vector<TunnelColumnEdge> edges(static_cast<size_t>(tunnel.cols) * static_cast<size_t>(tunnel.rows - 1));
  for (int32_t r = 0; r + 1 < tunnel.rows; ++r) {
    for (int32_t c = 0; c < tunnel.cols; ++c) {
      const size_t node = static_cast<size_t>(r * tunnel.cols + c);
      edges[node] = Tunnel::columnEdge(tunnel.nodes[node], tunnel.nodes[node + static_cast<size_t>(tunnel.cols)]);
    }
  }
  const TunnelTextures textures{base.pixels, height.pixels, env.pixels, slopes.wordsFor(height)};
  Image frame;
  frame.create(kFrameWidth, kFrameHeight);
  for (auto _ : state) {
    for (int32_t r = 0; r + 1 < tunnel.rows; ++r) {
      const TunnelColumnEdge* const rowEdges = &edges[static_cast<size_t>(r * tunnel.cols)];
      uint32_t* const out = frame.pixels + static_cast<size_t>(kTunnelBlockSize * r * kFrameWidth);
#if ORVANTA_X86_AVX2
      if (avx2) {
        drawTunnelBlocksAvx2(textures, rowEdges, tunnel.cols - 1, out, kFrameWidth, loads);
        continue;
      }
#endif
      drawTunnelBlocks(textures, rowEdges, tunnel.cols - 1, out, kFrameWidth);
    }
    benchmark::DoNotOptimize(frame.pixels);
  }
}
BENCHMARK(BM_TunnelBlocks)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_TunnelCastRays(benchmark::State& state) {
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  setSceneView(tunnel, 2000.0f);
  for (auto _ : state) {
    for (int32_t r = 0; r < tunnel.rows; ++r) {
      for (int32_t c = 0; c < tunnel.cols; ++c) benchmark::DoNotOptimize(tunnel.castRay(8 * c, 8 * r));
    }
  }
}
BENCHMARK(BM_TunnelCastRays)->Unit(benchmark::kMicrosecond);

// Every node of the frame as draw casts them, views moving as the scene's do.
void BM_TunnelCastNodes(benchmark::State& state) {
  Tunnel tunnel;
  tunnel.init(kFrameWidth, kFrameHeight);
  float t = 1530.0f;
  for (auto _ : state) {
    setSceneView(tunnel, t);
    tunnel.castNodes();
    benchmark::DoNotOptimize(tunnel.nodes.data());
    t += 1.7f;
    if (t > 3000.0f) t = 1530.0f;
  }
}
BENCHMARK(BM_TunnelCastNodes)->Unit(benchmark::kMicrosecond);

// A whole scene frame: tunnel, logo, flickering blur (four frames in ten), smoothing,
// brightening; the flash is over after the first 60 cs.
void BM_TunnelSceneFrame(benchmark::State& state) {
  TunnelScene scene;
  scene.tunnel.init(kFrameWidth, kFrameHeight);
  scene.base = baseTexture();
  scene.heightMap = heightTexture();
  scene.heightSlopes.build(scene.heightMap);
  scene.envMap = envTexture();
  scene.blurWork.create(kFrameWidth, kFrameHeight);
  scene.logo.create(kFrameWidth, kFrameHeight);
  for (size_t i = 0; i < scene.logo.pixelCount(); ++i) {
    scene.logo.pixels[i] = (i / kFrameWidth) % 60 < 20 ? 0x00E0E0E0u : 0xFF000000u;
  }
  Image frame;
  frame.create(kFrameWidth, kFrameHeight);
  DepthBuffer depth(kFrameWidth, kFrameHeight);
  ShowRandom random;
  SceneFrame out{frame, depth, random};
  float t = 1530.0f;
  for (auto _ : state) {
    scene.render(out, t);
    benchmark::DoNotOptimize(frame.pixels);
    t += 1.7f;
    if (t > 3000.0f) t = 1600.0f;
  }
}
BENCHMARK(BM_TunnelSceneFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orvanta
