#include <benchmark/benchmark.h>

#include "image/image.h"

namespace orvanta {
namespace {

void BM_CopyFrame(benchmark::State& state) {
  Image source;
  source.create(kFrameWidth, kFrameHeight);
  Image destination;
  destination.create(kFrameWidth, kFrameHeight);
  for (auto _ : state) {
    copyImage(source, destination);
    benchmark::DoNotOptimize(destination.pixels);
  }
}
BENCHMARK(BM_CopyFrame);

}  // namespace
}  // namespace orvanta
