#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "base/cpu_features.h"
#include "image/effects.h"
#include "image/image.h"
#include "image/radial_blur_kernels.h"
#include "image/warp_plane_kernels.h"
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

// The blur a run times: way 0 the dispatched version, 1 and 2 the Avx2 one with the near rows'
// samples gathered or loaded one at a time (where the processor runs it).
void blurOneWay(Image& image, int32_t cx, int32_t cy, int32_t strength, [[maybe_unused]] int64_t way) {
#if ORVANTA_X86_AVX2
  if (way != 0 && cpu::hasAvx2()) {
    kernels::radialBlurAvx2(&image, cx, cy, strength, 16, way == 1 ? cpu::LaneLoads::kGather : cpu::LaneLoads::kSingle);
    return;
  }
#endif
  radialBlur(image, cx, cy, strength, 16);
}

void BM_RadialBlur(benchmark::State& state) {
  RandomImage frame(kFrameWidth, kFrameHeight, 3);
  const auto strength = static_cast<int32_t>(state.range(0));
  const int64_t way = state.range(1);
  if (way != 0) state.SetLabel(!cpu::hasAvx2() ? "no avx2" : way == 1 ? "gathers" : "single loads");
  float t = 0.0f;
  for (auto _ : state) {
    // The moving centre of the scenes.
    const int32_t cx = static_cast<int32_t>(std::sin(t * 0.017452778f) * 100.0 + 160.0);
    const int32_t cy = static_cast<int32_t>(std::sin(t * 0.013962222205268014) * 80.0 + 120.0);
    blurOneWay(frame.image, cx, cy, strength, way);
    t += 7.0f;
    benchmark::ClobberMemory();
  }
}
// The blob scene's strength and the spike scene's.
BENCHMARK(BM_RadialBlur)->ArgsProduct({{1000, 2000}, {0, 1, 2}});

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

#if ORVANTA_X86_AVX2
// The blob scene's two planes in one pass, a frame's rows, with the texels gathered (1) or
// loaded one at a time (2), so that the two ways compare on this machine.
void BM_WarpRowPairs(benchmark::State& state) {
  if (!cpu::hasAvx2()) {
    state.SkipWithError("no avx2");
    return;
  }
  const cpu::LaneLoads loads = state.range(0) == 1 ? cpu::LaneLoads::kGather : cpu::LaneLoads::kSingle;
  state.SetLabel(state.range(0) == 1 ? "gathers" : "single loads");
  RandomImage under(256, 256, 10), over(256, 256, 11), frame(kFrameWidth, kFrameHeight, 12);
  uint32_t turn = 0;
  for (auto _ : state) {
    for (int32_t y = 0; y < kFrameHeight; ++y) {
      const uint32_t row = static_cast<uint32_t>(y) + turn;
      const kernels::TextureLine a{row * 4099u, row * 70001u, 52000u + row * 13u, 9000u - row * 7u};
      const kernels::TextureLine b{row * 81001u, row * 3001u, 47000u - row * 11u, 12000u + row * 5u};
      kernels::warpRowPairAvx2(frame.image.pixels + y * kFrameWidth, under.image.pixels, a, over.image.pixels, b,
                               loads);
    }
    ++turn;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_WarpRowPairs)->Arg(1)->Arg(2);
#endif

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
