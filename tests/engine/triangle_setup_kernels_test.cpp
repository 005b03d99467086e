#include "engine/triangle_setup_kernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/engine_test_support.h"

namespace orvanta {
namespace {

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
    if (trial % 11 == 0) v[2].screenX = v[0].screenX + 0.01f;         // a sliver
    if (trial % 13 == 0) v[trial % 3].u = odd[trial % 6];             // an attribute out of range
    if (trial % 17 == 0) v[trial % 3].screenX = odd[(trial / 17) % 6];  // a position out of range
    if (trial % 19 == 0) v[trial % 3].depth = trial % 2 ? 0.0f : -1.0f;
    for (bool twoLayers : {false, true}) {
      RenderVertex plainVertices[3] = {v[0], v[1], v[2]};
      RenderVertex vectorVertices[3] = {v[0], v[1], v[2]};
      std::vector<Part> plain;
      std::vector<Part> vector;
      kernels::setupTrianglePlain(plainVertices[0], plainVertices[1], plainVertices[2], twoLayers, record, &plain);
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

}  // namespace
}  // namespace orvanta
