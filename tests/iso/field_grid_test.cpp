// Field sources, the sample grid and its vector kernels.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "iso/field_grid_kernels.h"
#include "iso/iso_surface.h"

namespace orvanta {
namespace {

TEST(FieldSources, StrengthIsSquaredAndTheSumRoundedAfterEachAddition) {
  FieldSourceList list;
  EXPECT_EQ(list.valueAt(-5.0f, 7.0f, 1e6f), 0.0f);  // no sources
  EXPECT_EQ(list.addSource(10.0f), 0);
  list.setSourcePosition(0, 1.0f, 2.0f, 3.0f);
  EXPECT_EQ(list.valueAt(11.0f, 2.0f, 3.0f), 1.0f);  // strength 10: 1 at distance 10
  EXPECT_EQ(list.valueAt(1.0f, 2.0f, -97.0f), 0.01f);
  EXPECT_EQ(list.valueAt(1.0f, -4.0f, 11.0f), 1.0f);  // (0, -6, 8)
  EXPECT_EQ(list.addSource(-20.0f), 1);               // 400 / d^2
  EXPECT_EQ(list.addSource(0.5f), 2);
  list.setSourcePosition(0, 0.0f, 0.0f, 0.0f);
  list.setSourcePosition(3, 50.0f, 0.0f, 0.0f);  // indices outside the list are ignored
  list.setSourcePosition(-1, 50.0f, 0.0f, 0.0f);
  EXPECT_EQ(list.count, 3);
  EXPECT_EQ(list.valueAt(0.0f, 10.0f, 0.0f), (1.0f + 4.0f) + 0.0025f);

  FieldSourceList big;
  big.addSource(4096.0f);  // 2^24 at distance 1
  big.addSource(1.0f);
  big.addSource(1.0f);
  big.setSourcePosition(0, 1.0f, 0.0f, 0.0f);
  big.setSourcePosition(1, 0.0f, 1.0f, 0.0f);
  big.setSourcePosition(2, 0.0f, 0.0f, 1.0f);
  EXPECT_EQ(big.valueAt(0.0f, 0.0f, 0.0f), 16777216.0f);  // 2^24 + 1 rounds back twice; in double, 2^24 + 2
}

TEST(IsoGrid, SamplesLieXFastestAtTheirWorldPositionsWithOutwardNormals) {
  IsoSurface surface;
  surface.init(0.1f, 18, 14);
  EXPECT_EQ(surface.samplesPerAxis(), 19);
  EXPECT_EQ(surface.sampleIndex(18, 18, 18), 6858);
  EXPECT_EQ(surface.sampleCoordinate(0), -126.0f);
  EXPECT_EQ(surface.sampleCoordinate(18), 126.0f);
  EXPECT_EQ(surface.mesh.vertexCount, kIsoMeshCapacity);
  surface.samples[17].value = 3.0f;
  surface.fillGrid();
  EXPECT_EQ(surface.samples[17].value, 0.0f);  // no sources: every sample 0

  surface.sources.addSource(10.0f);
  surface.fillGrid();
  EXPECT_TRUE(std::isinf(surface.samples[9 * 361 + 9 * 19 + 9].value));  // the source itself
  // (10, 9, 9) is 14 along x, (9, 11, 9) 28 along y, (9, 9, 12) 42 along z, (0, 0, 0) the corner.
  EXPECT_EQ(surface.samples[9 * 361 + 9 * 19 + 10].value, 100.0f / 196.0f);
  EXPECT_EQ(surface.samples[9 * 361 + 11 * 19 + 9].value, 100.0f / 784.0f);
  EXPECT_EQ(surface.samples[12 * 361 + 9 * 19 + 9].value, 100.0f / 1764.0f);
  EXPECT_EQ(surface.samples[0].value, 100.0f / (3.0f * 126.0f * 126.0f));
  // (11, 9, 9), 28 along x, lies above the level 0.1 and (12, 9, 9) below it: the surface
  // crosses the edge between them, so their normals are filled.
  EXPECT_NEAR(surface.samples[9 * 361 + 9 * 19 + 11].normal.x, 1.0f, 1e-6f);
  EXPECT_NEAR(surface.samples[9 * 361 + 9 * 19 + 12].normal.x, 1.0f, 1e-6f);
  EXPECT_EQ(surface.samples[9 * 361 + 9 * 19 + 11].normal.y, 0.0f);
  EXPECT_EQ(surface.samples[1].position.x, 0.0f);  // positions are not written into the grid

  surface.sources.setSourcePosition(0, 5.0f, 5.0f, 5.0f);
  const Vec3 diagonal = surface.fieldNormal(-5.0f, -5.0f, -5.0f);
  EXPECT_NEAR(diagonal.x, -0.57735f, 1e-4f);
  EXPECT_NEAR(diagonal.y, -0.57735f, 1e-4f);
  EXPECT_NEAR(diagonal.z, -0.57735f, 1e-4f);
}

// Whether a sample ends a grid edge that the level crosses (one end below it, the other not).
bool endsACutEdge(const IsoSurface& surface, int32_t i, int32_t j, int32_t k) {
  const int32_t last = surface.samplesPerAxis() - 1;
  const bool below = surface.samples[surface.sampleIndex(i, j, k)].value < surface.isoLevel;
  auto differs = [&](int32_t a, int32_t b, int32_t c) {
    return a >= 0 && b >= 0 && c >= 0 && a <= last && b <= last && c <= last &&
           (surface.samples[surface.sampleIndex(a, b, c)].value < surface.isoLevel) != below;
  };
  return differs(i - 1, j, k) || differs(i + 1, j, k) || differs(i, j - 1, k) || differs(i, j + 1, k) ||
         differs(i, j, k - 1) || differs(i, j, k + 1);
}

// Every value of the vector kernels equals the per-sample formula bit for bit, and so does
// every normal the mesh can read (those of samples ending a cut edge; all of them past 64
// samples per axis), wherever the sources are (some exactly on a sample) and whatever the
// grid's size; the meshes built from both grids are the same.
TEST(IsoGrid, VectorKernelsMatchThePerSampleFormula) {
  std::mt19937 random(20240607u);
  std::uniform_real_distribution<float> coordinate(-130.0f, 130.0f);
  int compared = 0;
  int edgeSamples = 0;
  for (const cpu::VectorPath kernel : {cpu::VectorPath::kReference, cpu::VectorPath::kSse2, cpu::VectorPath::kAvx2}) {
    if (!cpu::runs(kernel)) continue;
    for (int trial = 0; trial < 46; ++trial) {
      // 0, 1, 2, 5: not whole vectors; 63 and 64: a whole word of bits per row, and beyond.
      const int32_t cells = trial < 40 ? 18 : trial < 43 ? trial - 40 : trial == 43 ? 5 : trial == 44 ? 63 : 64;
      const float scale = cells == 18 || cells >= 63 ? 1.0f : 0.02f;
      const int32_t size = cells == 18 ? 14 : cells >= 63 ? 4 : 3;
      IsoSurface reference, vectorised;
      reference.init(0.1f, cells, size);
      vectorised.init(0.1f, cells, size);
      for (int s = 0; s < 4; ++s) {
        const float strength = s == 3 ? std::uniform_real_distribution<float>(0.5f, 30.0f)(random) : 10.0f;
        const bool onSample = trial % 10 == 0 && s == 0;
        const float x = onSample ? 14.0f : scale * coordinate(random),
                    y = onSample ? -28.0f : scale * coordinate(random),
                    z = onSample ? 0.0f : scale * coordinate(random);
        for (IsoSurface* surface : {&reference, &vectorised}) {
          surface->sources.addSource(strength);
          surface->sources.setSourcePosition(s, x, y, z);
        }
      }
      reference.fillGridReference();
      ASSERT_TRUE(field_grid::fillGridWith(vectorised, kernel));
      const int32_t perAxis = cells + 1;
      for (int32_t k = 0; k < perAxis; ++k) {
        for (int32_t j = 0; j < perAxis; ++j) {
          for (int32_t i = 0; i < perAxis; ++i) {
            const GridSample& plain = reference.samples[reference.sampleIndex(i, j, k)];
            const GridSample& fast = vectorised.samples[vectorised.sampleIndex(i, j, k)];
            ASSERT_EQ(std::memcmp(&plain.value, &fast.value, sizeof(float)), 0)
                << cpu::nameOf(kernel) << " trial " << trial << " at " << i << "," << j << "," << k;
            if (perAxis > 64 || kernel == cpu::VectorPath::kReference || endsACutEdge(reference, i, j, k)) {
              edgeSamples += perAxis <= 64;
              ASSERT_EQ(std::memcmp(&plain.normal, &fast.normal, sizeof(Vec3)), 0)
                  << cpu::nameOf(kernel) << " trial " << trial << " normal at " << i << "," << j << "," << k;
            }
          }
        }
      }
      reference.buildMesh();
      vectorised.buildMesh();
      ASSERT_EQ(reference.mesh.vertexCount, vectorised.mesh.vertexCount) << cpu::nameOf(kernel) << " trial " << trial;
      for (int32_t v = 0; v < reference.mesh.vertexCount; ++v) {
        ASSERT_EQ(std::memcmp(&reference.mesh.vertices[v].normal, &vectorised.mesh.vertices[v].normal, sizeof(Vec3)), 0)
            << cpu::nameOf(kernel) << " trial " << trial << " vertex " << v;
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 0);
  EXPECT_GT(edgeSamples, 1000);
}

}  // namespace
}  // namespace orvanta
