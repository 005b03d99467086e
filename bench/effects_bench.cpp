#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "image/effects.h"
#include "image/image.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

struct RandomImage {
  Image image;
  RandomImage(int32_t width, int32_t height, uint32_t seed) {
    image.create(width, height);
    std::mt19937 generator(seed);
    for (size_t i = 0; i < image.pixelCount(); ++i) image.pixels[i] = static_cast<uint32_t>(generator());
  }
  ~RandomImage() { releasePixels(image); }
};

// The flickering blur's two passes through the work image, at the largest radius.
void BM_BlurPair(benchmark::State& state) {
  RandomImage frame(kFrameWidth, kFrameHeight, 1);
  RandomImage work(kFrameWidth, kFrameHeight, 2);
  const auto radius = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    blurVertical(work.image, frame.image, radius);
    blurHorizontal(frame.image, work.image, radius);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BlurPair)->Arg(3)->Arg(16);

void BM_RadialBlur(benchmark::State& state) {
  RandomImage frame(kFrameWidth, kFrameHeight, 3);
  float t = 0.0f;
  for (auto _ : state) {
    // The moving centre of the scenes.
    const int32_t cx = static_cast<int32_t>(std::sin(t * 0.017452778f) * 100.0 + 160.0);
    const int32_t cy = static_cast<int32_t>(std::sin(t * 0.013962222205268014) * 80.0 + 120.0);
    radialBlur(frame.image, cx, cy, static_cast<int32_t>(state.range(0)), 16);
    t += 7.0f;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RadialBlur)->Arg(1000)->Arg(2000);  // the blob scene's strength and the spike scene's

void BM_SmoothNeighbours(benchmark::State& state) {
  RandomImage frame(kFrameWidth, kFrameHeight, 4);
  for (auto _ : state) {
    smoothNeighbours(frame.image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SmoothNeighbours);

void BM_WarpPlane(benchmark::State& state) {
  RandomImage texture(256, 256, 5);
  RandomImage frame(kFrameWidth, kFrameHeight, 6);
  float t = 100.0f;
  for (auto _ : state) {
    warpPlane(frame.image, texture.image, t);
    t += 3.0f;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_WarpPlane);

void BM_WarpPlaneKeyed(benchmark::State& state) {
  RandomImage texture(256, 256, 7);
  RandomImage frame(kFrameWidth, kFrameHeight, 8);
  float t = 100.0f;
  for (auto _ : state) {
    warpPlaneKeyed(frame.image, texture.image, t);
    t += 3.0f;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_WarpPlaneKeyed);

void BM_AddNoise(benchmark::State& state) {
  RandomImage frame(kFrameWidth, kFrameHeight, 9);
  ShowRandom random;
  for (auto _ : state) {
    addNoise(frame.image, 30, random);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_AddNoise);

}  // namespace
}  // namespace orvanta
