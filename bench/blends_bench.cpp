#include <benchmark/benchmark.h>

#include <random>

#include "image/effects.h"
#include "image/image.h"

namespace orvanta {
namespace {

struct RandomFrame {
  Image image;
  explicit RandomFrame(uint32_t seed) {
    image.create(kFrameWidth, kFrameHeight);
    std::mt19937 generator(seed);
    for (size_t i = 0; i < image.pixelCount(); ++i) image.pixels[i] = static_cast<uint32_t>(generator());
  }
  ~RandomFrame() { releasePixels(image); }
};

void BM_FadeTo(benchmark::State& state) {
  RandomFrame frame(1);
  for (auto _ : state) {
    frame.image.fadeTo(37, 0xFFFFFFFF);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FadeTo);

void BM_Brighten(benchmark::State& state) {
  RandomFrame frame(2);
  for (auto _ : state) {
    frame.image.brighten(255);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Brighten);

void BM_ModulateInto(benchmark::State& state) {
  RandomFrame mask(3);
  RandomFrame frame(4);
  for (auto _ : state) {
    mask.image.modulateInto(frame.image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ModulateInto);

void BM_BlendImage(benchmark::State& state) {
  RandomFrame overlay(5);
  RandomFrame frame(6);
  for (auto _ : state) {
    blendImage(overlay.image, frame.image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BlendImage);

}  // namespace
}  // namespace orvanta
