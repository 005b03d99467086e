// drawMesh on a sphere of 3968 faces into the 320 x 240 frame: the whole object pipeline
// (transform, cull, texture coordinates, clipping) plus the rasterizers behind it.

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "engine/camera.h"
#include "engine/render_target.h"
#include "engine/mesh.h"
#include "engine/texture_set.h"
#include "image/image.h"

namespace orvanta {
namespace {

constexpr int kSegments = 64;
constexpr int kRings = 32;

// Latitude-longitude sphere; the pole rows are triangles only, so 64 * (2 * 32 - 2) faces.
void buildSphere(Mesh& mesh, float radius) {
  const int vertexCount = kSegments * (kRings + 1);
  const int faceCount = kSegments * (2 * kRings - 2);
  mesh.allocate(vertexCount, faceCount);
  for (int ring = 0; ring <= kRings; ++ring) {
    const double polar = std::numbers::pi * ring / kRings;
    for (int segment = 0; segment < kSegments; ++segment) {
      const double azimuth = 2.0 * std::numbers::pi * segment / kSegments;
      RenderVertex& vertex = mesh.vertices[ring * kSegments + segment];
      vertex.position = {static_cast<float>(radius * std::sin(polar) * std::cos(azimuth)),
                         static_cast<float>(radius * std::cos(polar)),
                         static_cast<float>(radius * std::sin(polar) * std::sin(azimuth))};
      vertex.u = static_cast<float>(segment) / kSegments;
      vertex.v = static_cast<float>(ring) / kRings;
    }
  }
  int face = 0;
  auto addFace = [&](int a, int b, int c) {
    MeshFace& f = mesh.faces[face++];
    const int indices[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
      f.indices[k] = indices[k];
      f.corners[k].u = mesh.vertices[indices[k]].u;
      f.corners[k].v = mesh.vertices[indices[k]].v;
    }
  };
  for (int ring = 0; ring < kRings; ++ring) {
    for (int segment = 0; segment < kSegments; ++segment) {
      const int next = (segment + 1) % kSegments;
      const int a = ring * kSegments + segment;
      const int b = ring * kSegments + next;
      const int c = (ring + 1) * kSegments + segment;
      const int d = (ring + 1) * kSegments + next;
      if (ring != 0) addFace(a, b, c);
      if (ring != kRings - 1) addFace(b, d, c);
    }
  }
  mesh.computeFaceNormals();
  mesh.computeVertexNormals();
}

Image makeTexture(int side, uint32_t seed) {
  Image image;
  image.create(side, side);
  int shift = 0;
  while ((1 << shift) < side) ++shift;
  image.widthShift = shift;
  image.widthMask = static_cast<uint32_t>(side - 1);
  uint32_t state = seed;
  for (size_t i = 0; i < image.pixelCount(); ++i) {
    state = state * 214013u + 2531011u;
    image.pixels[i] = 0xFF000000u | (state >> 8);
  }
  return image;
}

// radius 50 stays inside the frame; radius 90 crosses all four sides and is clipped.
void drawSphere(benchmark::State& state, int32_t flags, float radius) {
  static Image frame;
  if (frame.pixels == nullptr) frame.create(kFrameWidth, kFrameHeight);
  DepthBuffer depth(kFrameWidth, kFrameHeight);
  TextureSet set;
  set.flags = flags;
  set.texture = makeTexture(256, 1);
  set.envMap = makeTexture(256, 2);
  set.extra = makeTexture(256, 3);
  Mesh mesh;
  buildSphere(mesh, radius);
  mesh.rotate(20.0f, 30.0f, 0.0f);
  Camera camera;
  camera.lookAt(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f);
  for (auto _ : state) {
    depth.clear();
    mesh.drawMesh(RenderTarget{frame, depth}, camera, set);
    benchmark::DoNotOptimize(frame.pixels);
  }
  state.counters["faces/s"] =
      benchmark::Counter(static_cast<double>(mesh.faceCount) * state.iterations(), benchmark::Counter::kIsRate);
  releasePixels(set.texture);
  releasePixels(set.envMap);
  releasePixels(set.extra);
}

// No drawing path: the pipeline alone (vertex pass, face normals, reject, cull, coordinates).
void BM_DrawMeshPipelineOnly(benchmark::State& state) { drawSphere(state, 0, 50.0f); }
BENCHMARK(BM_DrawMeshPipelineOnly);

void BM_DrawMeshTextured(benchmark::State& state) { drawSphere(state, kTextured, 50.0f); }
BENCHMARK(BM_DrawMeshTextured);

void BM_DrawMeshEnvironmentMapped(benchmark::State& state) { drawSphere(state, kTextured | kEnvLayer1, 50.0f); }
BENCHMARK(BM_DrawMeshEnvironmentMapped);

void BM_DrawMeshBumpAdd(benchmark::State& state) {
  drawSphere(state, kTextured | kTwoLayer | kEnvLayer2 | kBumpMap | kAddLayers, 50.0f);
}
BENCHMARK(BM_DrawMeshBumpAdd);

void BM_DrawMeshClippedAtTheFrameEdges(benchmark::State& state) { drawSphere(state, kTextured, 90.0f); }
BENCHMARK(BM_DrawMeshClippedAtTheFrameEdges);

}  // namespace
}  // namespace orvanta
