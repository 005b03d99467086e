#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "iso/field_grid_kernels.h"
#include "iso/iso_surface.h"

namespace orvanta {
namespace {

uint32_t bits(float value) {
  uint32_t word;
  std::memcpy(&word, &value, sizeof word);
  return word;
}

TEST(IsoGridTest, InitLaysOutTheGrid) {
  IsoSurface surface;
  surface.init(0.1f, 18, 14);
  EXPECT_EQ(surface.isoLevel, 0.1f);
  EXPECT_EQ(surface.cellsPerAxis, 18);
  EXPECT_EQ(surface.cellSize, 14.0f);
  EXPECT_EQ(surface.samplesPerAxis(), 19);
  EXPECT_EQ(surface.planeOffsets[2], 2 * 361);
  EXPECT_EQ(surface.rowOffsets[3], 3 * 19);
  EXPECT_EQ(surface.sampleIndex(18, 18, 18), 6858);
  EXPECT_EQ(surface.mesh.vertexCount, kIsoMeshCapacity);
  EXPECT_EQ(surface.mesh.faceCount, kIsoMeshCapacity);
  EXPECT_EQ(surface.sampleCoordinate(0), -126.0f);
  EXPECT_EQ(surface.sampleCoordinate(9), 0.0f);
  EXPECT_EQ(surface.sampleCoordinate(18), 126.0f);
}

TEST(IsoGridTest, WithoutSourcesEverySampleIsZero) {
  IsoSurface surface;
  surface.init(0.1f, 4, 10);
  surface.samples[17].value = 3.0f;
  surface.fillGrid();
  for (int32_t index = 0; index < 125; ++index) EXPECT_EQ(surface.samples[index].value, 0.0f);
}

TEST(IsoGridTest, SamplesAreStoredXFastestAtTheirWorldPositions) {
  IsoSurface surface;
  surface.init(0.1f, 18, 14);
  surface.sources.addSource(10.0f);
  surface.sources.setSourcePosition(0, 0.0f, 0.0f, 0.0f);
  surface.fillGrid();
  // Sample (9, 9, 9) is the origin: the source itself, an infinite field.
  EXPECT_TRUE(std::isinf(surface.samples[9 * 361 + 9 * 19 + 9].value));
  // (10, 9, 9) is 14 along x, (9, 11, 9) 28 along y, (9, 9, 12) 42 along z.
  EXPECT_EQ(surface.samples[9 * 361 + 9 * 19 + 10].value, 100.0f / 196.0f);
  EXPECT_EQ(surface.samples[9 * 361 + 11 * 19 + 9].value, 100.0f / 784.0f);
  EXPECT_EQ(surface.samples[12 * 361 + 9 * 19 + 9].value, 100.0f / 1764.0f);
  // Sample (0, 0, 0) at (-126, -126, -126).
  EXPECT_EQ(surface.samples[0].value, 100.0f / (3.0f * 126.0f * 126.0f));
  // Positions are not written into the grid.
  EXPECT_EQ(surface.samples[1].position.x, 0.0f);
}

TEST(IsoGridTest, NormalPointsAwayFromTheSource) {
  IsoSurface surface;
  surface.sources.addSource(10.0f);
  const Vec3 n = surface.fieldNormal(20.0f, 0.0f, 0.0f);
  EXPECT_NEAR(n.x, 1.0f, 1e-6f);
  EXPECT_EQ(n.y, 0.0f);
  EXPECT_EQ(n.z, 0.0f);

  surface.sources.setSourcePosition(0, 5.0f, 5.0f, 5.0f);
  const Vec3 diagonal = surface.fieldNormal(-5.0f, -5.0f, -5.0f);
  EXPECT_NEAR(diagonal.x, -0.57735f, 1e-4f);
  EXPECT_NEAR(diagonal.y, -0.57735f, 1e-4f);
  EXPECT_NEAR(diagonal.z, -0.57735f, 1e-4f);
}

// The vector kernels must give every value and normal of the per-sample formula, bit for
// bit, wherever the sources are.
TEST(IsoGridTest, VectorKernelsMatchThePerSampleFormula) {
  std::mt19937 random(20240607u);
  std::uniform_real_distribution<float> coordinate(-130.0f, 130.0f);
  std::uniform_real_distribution<float> strength(0.5f, 30.0f);
  IsoSurface reference;
  IsoSurface vectorised;
  reference.init(0.1f, 18, 14);
  vectorised.init(0.1f, 18, 14);
  for (int s = 0; s < 4; ++s) {
    const float given = s == 3 ? strength(random) : 10.0f;
    reference.sources.addSource(given);
    vectorised.sources.addSource(given);
  }
  const int32_t count = 19 * 19 * 19;
  int compared = 0;
  for (const field_grid::Kernel kernel : {field_grid::Kernel::kSse2, field_grid::Kernel::kAvx}) {
    if (!field_grid::kernelAvailable(kernel)) continue;
    for (int trial = 0; trial < 40; ++trial) {
      for (int s = 0; s < 4; ++s) {
        // Some trials put a source exactly on a sample, where the field is infinite.
        const bool onSample = trial % 10 == 0 && s == 0;
        const float x = onSample ? 14.0f : coordinate(random);
        const float y = onSample ? -28.0f : coordinate(random);
        const float z = onSample ? 0.0f : coordinate(random);
        reference.sources.setSourcePosition(s, x, y, z);
        vectorised.sources.setSourcePosition(s, x, y, z);
      }
      reference.fillGridReference();
      ASSERT_TRUE(field_grid::fillGridWith(vectorised, kernel));
      for (int32_t index = 0; index < count; ++index) {
        const GridSample& a = reference.samples[index];
        const GridSample& b = vectorised.samples[index];
        ASSERT_EQ(bits(a.value), bits(b.value)) << "sample " << index << " trial " << trial;
        ASSERT_EQ(bits(a.normal.x), bits(b.normal.x)) << "sample " << index << " trial " << trial;
        ASSERT_EQ(bits(a.normal.y), bits(b.normal.y)) << "sample " << index << " trial " << trial;
        ASSERT_EQ(bits(a.normal.z), bits(b.normal.z)) << "sample " << index << " trial " << trial;
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 0);
}

TEST(IsoGridTest, VectorKernelsHandleGridsThatAreNotAMultipleOfTheirWidth) {
  for (const int32_t cells : {0, 1, 2, 5}) {
    IsoSurface reference;
    IsoSurface vectorised;
    reference.init(0.1f, cells, 3);
    vectorised.init(0.1f, cells, 3);
    reference.sources.addSource(2.0f);
    vectorised.sources.addSource(2.0f);
    reference.sources.setSourcePosition(0, 0.3f, 0.7f, -0.2f);
    vectorised.sources.setSourcePosition(0, 0.3f, 0.7f, -0.2f);
    reference.fillGridReference();
    for (const field_grid::Kernel kernel : {field_grid::Kernel::kSse2, field_grid::Kernel::kAvx}) {
      if (!field_grid::kernelAvailable(kernel)) continue;
      ASSERT_TRUE(field_grid::fillGridWith(vectorised, kernel));
      const int32_t count = (cells + 1) * (cells + 1) * (cells + 1);
      for (int32_t index = 0; index < count; ++index) {
        EXPECT_EQ(bits(reference.samples[index].value), bits(vectorised.samples[index].value));
        EXPECT_EQ(bits(reference.samples[index].normal.z), bits(vectorised.samples[index].normal.z));
      }
    }
  }
}

}  // namespace
}  // namespace orvanta
