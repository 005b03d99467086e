// The engine's Sse2 versions against their Reference versions: the triangle setup and the view stage.

#include "base/cpu_features.h"
#include "engine/triangle_setup_kernels.h"
#include "engine/view_stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/engine_test_support.h"

namespace orvanta {
namespace {

// Reference always runs; Sse2 exactly when the build has vector paths; Avx2 never without
// them; the best version is the fastest one that runs.
TEST(VectorPaths, TheBuildAndTheProcessorChooseTheVersion) {
  using cpu::VectorPath;
  EXPECT_TRUE(cpu::runs(VectorPath::kReference));
  EXPECT_EQ(cpu::runs(VectorPath::kSse2), ORVANTA_X86_VECTORS != 0);
  if (!ORVANTA_X86_VECTORS) {
    EXPECT_FALSE(cpu::runs(VectorPath::kAvx2));
  }
  const VectorPath best = cpu::bestPath();
  EXPECT_TRUE(cpu::runs(best));
  for (VectorPath faster = best; faster != VectorPath::kAvx2;) {
    faster = static_cast<VectorPath>(static_cast<int>(faster) + 1);
    EXPECT_FALSE(cpu::runs(faster)) << cpu::nameOf(faster);
  }
  EXPECT_STREQ(cpu::nameOf(VectorPath::kReference), "reference");
}

#if ORVANTA_X86_VECTORS

struct Part {
  TriangleEdge left;
  TriangleEdge right;
  int32_t firstRow;
  int32_t rows;
  SpanSteps steps;
};

void record(void* context, const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow, int32_t rows,
            const SpanSteps& steps) {
  static_cast<std::vector<Part>*>(context)->push_back({left, right, firstRow, rows, steps});
}

bool sameParts(const std::vector<Part>& a, const std::vector<Part>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::memcmp(&a[i].left, &b[i].left, sizeof(TriangleEdge)) != 0 ||
        std::memcmp(&a[i].right, &b[i].right, sizeof(TriangleEdge)) != 0 || a[i].firstRow != b[i].firstRow ||
        a[i].rows != b[i].rows || std::memcmp(&a[i].steps, &b[i].steps, sizeof(SpanSteps)) != 0) {
      return false;
    }
  }
  return true;
}

// The vector setup against the plain one on random triangles: ordinary ones, slivers, ones
// with a flat top or bottom, huge and non-finite values that overflow 16.16.
TEST(TriangleSetupKernels, VectorSetupMatchesThePlainSetup) {
  std::mt19937 random(5150);
  std::uniform_real_distribution<float> screen(-40.0f, 360.0f);
  std::uniform_real_distribution<float> texel(-300.0f, 600.0f);
  std::uniform_real_distribution<float> depth(1.0f, 2000.0f);
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e9f,
                       -40000.0f, 32767.9f, 0.0f};
  int drawn = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    RenderVertex v[3];
    for (RenderVertex& vertex : v) {
      vertex = testing::screenVertex(screen(random), screen(random), depth(random), texel(random), texel(random),
                                     texel(random), texel(random));
    }
    if (trial % 7 == 0) v[1].screenY = v[0].screenY;                   // a flat edge
    if (trial % 5 == 0) {
      // Two corners on one pixel row, the same y or not: the order of tied corners decides
      // which formulas run.
      const int k = (trial / 5) % 3;
      v[(k + 1) % 3].screenY = std::floor(v[k].screenY) + (trial % 2 ? 0.75f : 0.25f);
      v[k].screenY = std::floor(v[k].screenY) + 0.5f;
      if (trial % 25 == 0) v[(k + 2) % 3].screenY = v[k].screenY;  // all three
    }
    if (trial % 11 == 0) v[2].screenX = v[0].screenX + 0.01f;         // a sliver
    if (trial % 13 == 0) v[trial % 3].u = odd[trial % 6];             // an attribute out of range
    if (trial % 17 == 0) v[trial % 3].screenX = odd[(trial / 17) % 6];  // a position out of range
    if (trial % 19 == 0) v[trial % 3].depth = trial % 2 ? 0.0f : -1.0f;
    for (bool twoLayers : {false, true}) {
      RenderVertex plainVertices[3] = {v[0], v[1], v[2]};
      RenderVertex vectorVertices[3] = {v[0], v[1], v[2]};
      std::vector<Part> plain;
      std::vector<Part> vector;
      kernels::setupTriangleReference(plainVertices[0], plainVertices[1], plainVertices[2], twoLayers, record, &plain);
      kernels::setupTriangleSse2(vectorVertices[0], vectorVertices[1], vectorVertices[2], twoLayers, record, &vector);
      ASSERT_TRUE(sameParts(plain, vector)) << "trial " << trial << (twoLayers ? " two layers" : "");
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(plainVertices[k].pixelX, vectorVertices[k].pixelX);
        ASSERT_EQ(plainVertices[k].pixelY, vectorVertices[k].pixelY);
      }
      drawn += !plain.empty();
    }
  }
  EXPECT_GT(drawn, 30000);
}

// Every vertex and face record after the view stage, four at a time against one at a time:
// random rotations and offsets, short meshes (the last records go one by one), zero normals
// (NaN after renormalising), vertices on the eye plane and behind it.
TEST(ViewStageKernels, VectorStageMatchesThePlainStage) {
  std::mt19937 random(8086);
  std::uniform_real_distribution<float> angle(-360.0f, 360.0f);
  std::uniform_real_distribution<float> coordinate(-500.0f, 500.0f);
  std::uniform_real_distribution<float> unitRange(-1.0f, 1.0f);
  const ScreenProjection projection{160.0f, 120.0f, 159.0f, 119.0f};
  for (int trial = 0; trial < 300; ++trial) {
    Matrix4 rotation;
    rotation.setRotation(angle(random), angle(random), angle(random));
    const Vec3 offset{coordinate(random), coordinate(random), coordinate(random) + 300.0f};
    const int32_t count = trial % 10;
    std::vector<RenderVertex> plain(static_cast<size_t>(count) + 1);
    std::vector<MeshFace> plainFaces(static_cast<size_t>(count) + 1);
    for (int32_t i = 0; i < count; ++i) {
      RenderVertex& vertex = plain[static_cast<size_t>(i)];
      vertex.position = Vec3{coordinate(random), coordinate(random), coordinate(random)};
      vertex.normal = Vec3{unitRange(random), unitRange(random), unitRange(random)};
      plainFaces[static_cast<size_t>(i)].faceNormal = Vec3{unitRange(random), unitRange(random), unitRange(random)};
    }
    if (count > 2) {
      plain[1].normal = Vec3{0.0f, 0.0f, 0.0f};
      plainFaces[2].faceNormal = Vec3{0.0f, 0.0f, 0.0f};
      plain[2].position = Vec3{-offset.x, -offset.y, -offset.z};  // lands on the eye
    }
    std::vector<RenderVertex> fast = plain;
    std::vector<MeshFace> fastFaces = plainFaces;
    kernels::viewVerticesReference(plain.data(), count, rotation, offset, projection);
    kernels::viewVerticesSse2(fast.data(), count, rotation, offset, projection);
    kernels::viewFaceNormalsReference(plainFaces.data(), count, rotation);
    kernels::viewFaceNormalsSse2(fastFaces.data(), count, rotation);
    ASSERT_EQ(std::memcmp(plain.data(), fast.data(), plain.size() * sizeof(RenderVertex)), 0) << "trial " << trial;
    ASSERT_EQ(std::memcmp(plainFaces.data(), fastFaces.data(), plainFaces.size() * sizeof(MeshFace)), 0)
        << "trial " << trial;
  }
}

#endif  // ORVANTA_X86_VECTORS

}  // namespace
}  // namespace orvanta
