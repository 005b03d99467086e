// Span routines and whole triangles, in pixels per second (items/s).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/render_target.h"
#include "engine/raster.h"
#include "engine/texture_set.h"
#include "image/image.h"

namespace orvanta {
namespace {

Image makeTexture(int32_t shift, uint32_t seed) {
  Image image;
  image.create(1 << shift, 1 << shift);
  image.widthShift = shift;
  image.widthMask = static_cast<uint32_t>((1 << shift) - 1);
  uint32_t state = seed;
  for (size_t i = 0; i < image.pixelCount(); ++i) {
    state = state * 1664525u + 1013904223u;
    image.pixels[i] = state;
  }
  return image;
}

struct Scene {
  Image frame;
  DepthBuffer depth{kFrameWidth, kFrameHeight};
  TextureSet set;
  Scene() {
    frame.create(kFrameWidth, kFrameHeight);
    set.texture = makeTexture(8, 1);
    set.envMap = makeTexture(8, 2);
    set.extra = makeTexture(8, 3);
  }
  RenderTarget target() { return {frame, depth}; }
  ~Scene() {
    releasePixels(frame);
    releasePixels(set.texture);
    releasePixels(set.envMap);
    releasePixels(set.extra);
  }
};

// A whole-frame span pass: 320 x 240 pixels, each passing the depth test (the inverse depth
// rises with every pass).
struct FullFrameSpan {
  TriangleEdge left;
  TriangleEdge right;
  SpanSteps steps;
  FullFrameSpan() {
    right.x = kFrameWidth << 16;
    left.u = 0x123456;
    left.v = 0x654321;
    left.uStep = 0x2345;
    left.vStep = 0xC000;
    left.u2 = 0x40000;
    left.v2 = 0x80000;
    left.u2Step = -0x3000;
    left.v2Step = 0x9000;
    steps.du = 0xB000;
    steps.dv = 0x1800;
    steps.du2 = 0x7000;
    steps.dv2 = -0x2800;
  }
  void nextPass(int64_t pass) { left.invDepth = static_cast<int32_t>(pass + 1); }
};

void BM_FillTexturedSpansFrame(benchmark::State& state) {
  Scene scene;
  FullFrameSpan span;
  int64_t pass = 0;
  for (auto _ : state) {
    span.nextPass(pass++);
    fillTexturedSpans(scene.target(), scene.set.texture, span.left, span.right, 0, kFrameHeight, span.steps);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(pass * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_FillTexturedSpansFrame);

void BM_FillTexturedSpansTranslucentFrame(benchmark::State& state) {
  Scene scene;
  FullFrameSpan span;
  int64_t pass = 0;
  for (auto _ : state) {
    span.nextPass(pass++);
    fillTexturedSpansTranslucent(scene.target(), scene.set.texture, span.left, span.right, 0, kFrameHeight,
                                 span.steps);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(pass * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_FillTexturedSpansTranslucentFrame);

void BM_FillLayersBumpAddFrame(benchmark::State& state) {
  Scene scene;
  FullFrameSpan span;
  int64_t pass = 0;
  for (auto _ : state) {
    span.nextPass(pass++);
    fillLayersBumpAdd(scene.target(), scene.set.texture, scene.set.envMap, scene.set.extra, span.left, span.right, 0,
                      kFrameHeight, span.steps);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(pass * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_FillLayersBumpAddFrame);

void BM_FillLayersMultiplyFrame(benchmark::State& state) {
  Scene scene;
  FullFrameSpan span;
  int64_t pass = 0;
  for (auto _ : state) {
    span.nextPass(pass++);
    fillLayersMultiply(scene.target(), scene.set.texture, scene.set.envMap, span.left, span.right, 0, kFrameHeight,
                       span.steps);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(pass * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_FillLayersMultiplyFrame);

RenderVertex vertexAt(float x, float y, float u, float v) {
  RenderVertex vertex;
  vertex.screenX = x;
  vertex.screenY = y;
  vertex.u = u;
  vertex.v = v;
  vertex.u2 = v * 0.5f + 10.0f;
  vertex.v2 = u * 0.75f;
  return vertex;
}

// Triangles drawn through drawTriangle (setup included). Arg 0: large triangles (about 25 000
// pixels each); arg 1: small ones (a few dozen pixels), spread over the frame; arg 2: slivers
// one to four pixels wide and six to fourteen rows high, their texels far apart (as on the
// spikes of an environment-mapped ball, where most rows are one group of four or less).
std::vector<RenderVertex> benchTriangles(int32_t kind) {
  std::vector<RenderVertex> corners;
  if (kind == 0) {
    corners = {vertexAt(2.5f, 1.5f, 0, 0), vertexAt(318.0f, 40.25f, 255, 30), vertexAt(90.75f, 238.0f, 40, 250)};
    return corners;
  }
  if (kind == 2) {
    uint32_t state = 7;
    auto next = [&state](float range) {
      state = state * 1664525u + 1013904223u;
      return static_cast<float>(state >> 8) * (range / 16777216.0f);
    };
    for (int32_t i = 0; i < 2000; ++i) {
      const float left = 2.0f + next(310.0f);
      const float top = 2.0f + next(225.0f);
      const float wide = 1.0f + next(3.0f);
      corners.push_back(vertexAt(left, top, next(256.0f), next(256.0f)));
      corners.push_back(vertexAt(left + wide, top + next(2.0f), next(256.0f), next(256.0f)));
      corners.push_back(vertexAt(left + next(wide), top + 6.0f + next(8.0f), next(256.0f), next(256.0f)));
    }
    return corners;
  }
  for (int32_t y = 0; y < 22; ++y) {
    for (int32_t x = 0; x < 30; ++x) {
      const float left = 3.3f + x * 10.5f;
      const float top = 2.7f + y * 10.75f;
      corners.push_back(vertexAt(left, top, 0, 0));
      corners.push_back(vertexAt(left + 9.1f, top + 2.2f, 20, 5));
      corners.push_back(vertexAt(left + 3.4f, top + 8.6f, 7, 18));
    }
  }
  return corners;
}

void drawTriangles(benchmark::State& state, int32_t flags) {
  Scene scene;
  scene.set.setFlags(flags);
  std::vector<RenderVertex> corners = benchTriangles(static_cast<int32_t>(state.range(0)));
  // Count the pixels once.
  int32_t* depths = scene.depth.values;
  for (size_t i = 0; i + 2 < corners.size(); i += 3) {
    for (size_t k = 0; k < 3; ++k) corners[i + k].depth = 32767.0f;
    drawTriangle(scene.target(), scene.set, corners[i], corners[i + 1], corners[i + 2]);
  }
  int64_t pixelsPerPass = 0;
  for (int32_t i = 0; i < kFrameWidth * kFrameHeight; ++i) pixelsPerPass += depths[i] != 0 ? 1 : 0;
  scene.depth.clear();

  // Each pass is a little nearer than the one before, so every pixel passes the depth test.
  int64_t pass = 0;
  float nearness = 1.0f;
  for (auto _ : state) {
    ++pass;
    nearness += 1.0f;
    if (nearness > 30000.0f) {
      state.PauseTiming();
      scene.depth.clear();
      nearness = 1.0f;
      state.ResumeTiming();
    }
    const float depth = kDepthNumerator / nearness;
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
      corners[i].depth = corners[i + 1].depth = corners[i + 2].depth = depth;
      drawTriangle(scene.target(), scene.set, corners[i], corners[i + 1], corners[i + 2]);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(pass * pixelsPerPass);
  state.counters["pixels"] = static_cast<double>(pixelsPerPass);
}

void BM_DrawTexturedTriangles(benchmark::State& state) { drawTriangles(state, kTextured); }
BENCHMARK(BM_DrawTexturedTriangles)->Arg(0)->Arg(1)->Arg(2);

void BM_DrawBumpAddTriangles(benchmark::State& state) {
  drawTriangles(state, kTextured | kTwoLayer | kBumpMap | kAddLayers);
}
BENCHMARK(BM_DrawBumpAddTriangles)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
}  // namespace orvanta
