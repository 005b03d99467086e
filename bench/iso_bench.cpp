#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/render_target.h"
#include "image/image.h"
#include "iso/field_grid_kernels.h"
#include "iso/iso_surface.h"
#include "scenes/blob_scene.h"

namespace orvanta {
namespace {

// The four sources where the blob scene has them at show time t.
void placeBlobs(IsoSurface& surface, float t) {
  const float s = static_cast<float>(t * 0.1);
  for (int32_t i = 0; i < 4; ++i) {
    const float e = static_cast<float>(i) * 132.0f * 0.017452778f;
    surface.sources.setSourcePosition(i, static_cast<float>(48.0 * std::sin(e + 0.1 * s)),
                                      static_cast<float>(48.0 * std::sin(e + 0.2 * s)),
                                      static_cast<float>(48.0 * std::sin(e + 0.3 * s)));
  }
}

// The blob scene's surface with its four sources where they are at show time t.
void setUpBlobs(IsoSurface& surface, float t) {
  surface.init(0.1f, 18, 14);
  for (int32_t i = 0; i < 4; ++i) surface.sources.addSource(10.0f);
  placeBlobs(surface, t);
}

void BM_IsoPolygonise(benchmark::State& state) {
  IsoSurface surface;
  setUpBlobs(surface, 3500.0f);
  for (auto _ : state) {
    surface.polygonise();
    benchmark::DoNotOptimize(surface.mesh.vertices.get());
  }
  state.counters["triangles"] = surface.mesh.faceCount;
}
BENCHMARK(BM_IsoPolygonise)->Unit(benchmark::kMicrosecond);

// The same with the blobs moving from frame to frame as in the show, so that no branch
// learns one frame's cells.
void BM_IsoPolygoniseMoving(benchmark::State& state) {
  IsoSurface surface;
  float t = 3000.0f;
  setUpBlobs(surface, t);
  int64_t faces = 0;
  for (auto _ : state) {
    placeBlobs(surface, t);
    surface.polygonise();
    faces += surface.mesh.faceCount;
    t += 1.7f;
    if (t > 4600.0f) t = 3000.0f;
    benchmark::DoNotOptimize(surface.mesh.vertices.get());
  }
  state.counters["triangles"] = benchmark::Counter(static_cast<double>(faces), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_IsoPolygoniseMoving)->Unit(benchmark::kMicrosecond);

void BM_IsoFillGrid(benchmark::State& state) {
  const auto kernel = static_cast<cpu::VectorPath>(state.range(0));
  if (!cpu::runs(kernel)) {
    state.SkipWithError("kernel not available on this processor");
    return;
  }
  IsoSurface surface;
  setUpBlobs(surface, 3500.0f);
  for (auto _ : state) {
    field_grid::fillGridWith(surface, kernel);
    benchmark::DoNotOptimize(surface.samples.get());
  }
}
BENCHMARK(BM_IsoFillGrid)
    ->Arg(static_cast<int>(cpu::VectorPath::kReference))
    ->Arg(static_cast<int>(cpu::VectorPath::kSse2))
    ->Arg(static_cast<int>(cpu::VectorPath::kAvx2))
    ->Unit(benchmark::kMicrosecond);

void BM_IsoBuildMesh(benchmark::State& state) {
  IsoSurface surface;
  setUpBlobs(surface, 3500.0f);
  surface.fillGrid();
  for (auto _ : state) {
    surface.buildMesh();
    benchmark::DoNotOptimize(surface.mesh.vertices.get());
  }
}
BENCHMARK(BM_IsoBuildMesh)->Unit(benchmark::kMicrosecond);

// A 32-bit TGA of width x height with a checker of two colours, bottom-up as the loader wants.
void writeChecker(const std::filesystem::path& file, int width, int height, uint32_t a, uint32_t b) {
  std::vector<unsigned char> bytes(18, 0);
  bytes[2] = 2;
  bytes[12] = static_cast<unsigned char>(width & 0xFF);
  bytes[13] = static_cast<unsigned char>(width >> 8);
  bytes[14] = static_cast<unsigned char>(height & 0xFF);
  bytes[15] = static_cast<unsigned char>(height >> 8);
  bytes[16] = 32;
  bytes[17] = 8;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t word = ((x / 32 + y / 32) & 1) != 0 ? a : b;
      for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<unsigned char>(word >> shift));
    }
  }
  std::FILE* out = std::fopen(file.string().c_str(), "wb");
  if (out == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

// The whole blob scene frame, from start to flash, over pictures of the right sizes.
void BM_BlobSceneFrame(benchmark::State& state) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "orvanta_iso_bench";
  std::filesystem::create_directories(folder);
  writeChecker(folder / "box.tga", 256, 256, 0xFFFF0000u, 0xFF20A040u);
  writeChecker(folder / "s08_back2.tga", 256, 256, 0xFF303030u, 0xFF8080C0u);
  writeChecker(folder / "s08_back3.tga", 256, 256, 0xFFC0C0C0u, 0xFF404040u);
  writeChecker(folder / "terrorist.tga", 320, 240, 0xC0000000u, 0xFF000000u);
  writeChecker(folder / "dravo.tga", 320, 240, 0xC0000000u, 0xFF000000u);
  BlobScene scene;
  SceneLoader loader(folder.string());
  scene.load(loader);
  std::filesystem::remove_all(folder);

  Image frame;
  frame.create(kFrameWidth, kFrameHeight);
  DepthBuffer depth(kFrameWidth, kFrameHeight);
  ShowRandom random;
  SceneFrame out{frame, depth, random};
  float t = 3000.0f;
  for (auto _ : state) {
    depth.clear();
    scene.render(out, t);
    t += 1.7f;
    if (t > 4600.0f) t = 3000.0f;
    benchmark::DoNotOptimize(frame.pixels);
  }
  releasePixels(frame);
}
BENCHMARK(BM_BlobSceneFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orvanta
