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
  EXPECT_NEAR(surface.samples[9 * 361 + 9 * 19 + 10].normal.x, 1.0f, 1e-6f);
  EXPECT_EQ(surface.samples[1].position.x, 0.0f);  // positions are not written into the grid

  surface.sources.setSourcePosition(0, 5.0f, 5.0f, 5.0f);
  const Vec3 diagonal = surface.fieldNormal(-5.0f, -5.0f, -5.0f);
  EXPECT_NEAR(diagonal.x, -0.57735f, 1e-4f);
  EXPECT_NEAR(diagonal.y, -0.57735f, 1e-4f);
  EXPECT_NEAR(diagonal.z, -0.57735f, 1e-4f);
}

// Every value and normal of the vector kernels equals the per-sample formula bit for bit,
// wherever the sources are (some exactly on a sample) and whatever the grid's size.
TEST(IsoGrid, VectorKernelsMatchThePerSampleFormula) {
  std::mt19937 random(20240607u);
  std::uniform_real_distribution<float> coordinate(-130.0f, 130.0f);
  int compared = 0;
  for (const cpu::VectorPath kernel : {cpu::VectorPath::kReference, cpu::VectorPath::kSse2, cpu::VectorPath::kAvx2}) {
    if (!cpu::runs(kernel)) continue;
    for (int trial = 0; trial < 44; ++trial) {
      const int32_t cells = trial < 40 ? 18 : trial == 43 ? 5 : trial - 40;  // 0, 1, 2, 5: not whole vectors
      const float scale = cells == 18 ? 1.0f : 0.02f;
      IsoSurface reference, vectorised;
      reference.init(0.1f, cells, cells == 18 ? 14 : 3);
      vectorised.init(0.1f, cells, cells == 18 ? 14 : 3);
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
      const int32_t count = (cells + 1) * (cells + 1) * (cells + 1);
      ASSERT_EQ(std::memcmp(reference.samples.get(), vectorised.samples.get(), count * sizeof(GridSample)), 0)
          << cpu::nameOf(kernel) << " trial " << trial;
      ++compared;
    }
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace orvanta
