// The mesh built from a grid against the cell-by-cell formula: every cell gathered and
// polygonised on its own, its triangles appended.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "iso/field_grid_kernels.h"
#include "iso/iso_surface.h"

namespace orvanta {
namespace {

struct PlainMesh {
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;
};

// Cells x slowest, z fastest; stops where the surface's mesh would be full.
PlainMesh cellByCell(const IsoSurface& surface) {
  PlainMesh out;
  const int32_t n = surface.cellsPerAxis;
  GridSample corners[8];
  IsoTriangle triangles[5];
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      for (int32_t k = 0; k < n; ++k) {
        surface.gatherCell(corners, i, j, k);
        const int32_t count = IsoSurface::polygoniseCell(corners, surface.isoLevel, triangles);
        for (int32_t t = 0; t < count; ++t) {
          if (out.positions.size() + 3 > kIsoMeshCapacity) return out;
          for (int m = 0; m < 3; ++m) {
            out.positions.push_back(triangles[t].positions[m]);
            out.normals.push_back(triangles[t].normals[m]);
          }
        }
      }
    }
  }
  return out;
}

// Bit for bit, vertex by vertex; faces name their own three vertices in order.
void expectSameMesh(const IsoSurface& surface, const PlainMesh& plain, const char* what, int trial) {
  const Mesh& mesh = surface.mesh;
  ASSERT_EQ(static_cast<size_t>(mesh.vertexCount), plain.positions.size()) << what << " trial " << trial;
  ASSERT_EQ(mesh.faceCount * 3, mesh.vertexCount) << what << " trial " << trial;
  for (int32_t v = 0; v < mesh.vertexCount; ++v) {
    ASSERT_EQ(std::memcmp(&mesh.vertices[v].position, &plain.positions[v], sizeof(Vec3)), 0)
        << what << " trial " << trial << " vertex " << v;
    ASSERT_EQ(std::memcmp(&mesh.vertices[v].normal, &plain.normals[v], sizeof(Vec3)), 0)
        << what << " trial " << trial << " vertex " << v;
    ASSERT_EQ(mesh.faces[v / 3].indices[v % 3], v) << what << " trial " << trial;
  }
}

// Random grids of every width up to and past a word of bits per row, cell sizes that are not
// whole numbers (corner coordinates that round), values on the level, within the snapping
// distance of it, nearly equal along an edge, negative, infinite and not a number.
TEST(BuildMesh, EqualsTheCellByCellFormulaOnRandomGrids) {
  std::mt19937 random(77031u);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  int triangles = 0;
  for (int trial = 0; trial < 60; ++trial) {
    const int32_t cells = trial < 8 ? trial : trial < 12 ? 62 + (trial - 8) % 3 : trial == 12 ? 70 : 3 + trial % 20;
    IsoSurface surface;
    surface.init(0.0f, cells, 14);
    surface.isoLevel = 0.05f + 0.2f * unit(random);
    if (trial % 3 == 1) surface.cellSize = 0.1f + 5.0f * unit(random);
    if (trial % 5 == 2) surface.cellSize = -surface.cellSize;
    const int32_t perAxis = surface.samplesPerAxis();
    // Blobs of below-level samples, so that most cells are whole and some are cut.
    const float cx = perAxis * unit(random), cy = perAxis * unit(random), cz = perAxis * unit(random);
    const float radius = 0.2f * perAxis + 2.0f;
    for (int32_t k = 0; k < perAxis; ++k) {
      for (int32_t j = 0; j < perAxis; ++j) {
        for (int32_t i = 0; i < perAxis; ++i) {
          GridSample& sample = surface.samples[surface.sampleIndex(i, j, k)];
          const float d = std::sqrt((i - cx) * (i - cx) + (j - cy) * (j - cy) + (k - cz) * (k - cz));
          float value = trial % 4 == 3 ? 2.0f * surface.isoLevel * unit(random)
                                       : surface.isoLevel * (radius / (d + 0.5f)) * (0.9f + 0.2f * unit(random));
          const float pick = unit(random);
          if (pick < 0.05f) value = surface.isoLevel;
          else if (pick < 0.08f) value = surface.isoLevel + (unit(random) - 0.5f) * 4e-5f;
          else if (pick < 0.10f && i > 0) value = surface.samples[surface.sampleIndex(i - 1, j, k)].value + 5e-6f;
          else if (pick < 0.105f) value = -value;
          else if (pick < 0.107f) value = std::numeric_limits<float>::infinity();
          else if (pick < 0.109f) value = std::numeric_limits<float>::quiet_NaN();
          sample.value = value;
          sample.normal = Vec3{unit(random) - 0.5f, unit(random) - 0.5f, unit(random) - 0.5f};
        }
      }
    }
    surface.buildMesh();
    expectSameMesh(surface, cellByCell(surface), "grid", trial);
    triangles += surface.mesh.faceCount;
  }
  EXPECT_GT(triangles, 20000);
}

// polygonise takes the below-level bits the grid fill leaves; every version's bits must give
// the mesh of the plain build from the filled grid.
TEST(BuildMesh, PolygoniseGivesTheMeshOfItsOwnGrid) {
  for (const int32_t cells : {1, 18, 63, 64}) {
    IsoSurface surface;
    surface.init(0.1f, cells, cells >= 63 ? 4 : 14);
    for (int32_t s = 0; s < 3; ++s) surface.sources.addSource(10.0f);
    surface.sources.setSourcePosition(0, 20.0f, -5.0f, 3.0f);
    surface.sources.setSourcePosition(1, -30.0f, 14.0f, 0.0f);  // one exactly on a sample when size is 14
    surface.sources.setSourcePosition(2, 0.0f, 40.0f, -25.0f);
    surface.polygonise();
    expectSameMesh(surface, cellByCell(surface), "polygonise", cells);
    if (cells == 18) {
      EXPECT_GT(surface.mesh.faceCount, 500);
    }

    const int32_t perAxis = surface.samplesPerAxis();
    for (const cpu::VectorPath path : {cpu::VectorPath::kReference, cpu::VectorPath::kSse2, cpu::VectorPath::kAvx2}) {
      if (!cpu::runs(path)) continue;
      std::vector<uint64_t> below(static_cast<size_t>(perAxis * perAxis), ~uint64_t{0});
      ASSERT_TRUE(field_grid::fillGridWith(surface, path, perAxis <= 64 ? below.data() : nullptr));
      for (int32_t k = 0; k < perAxis && perAxis <= 64; ++k) {
        for (int32_t j = 0; j < perAxis; ++j) {
          uint64_t expected = 0;
          for (int32_t i = 0; i < perAxis; ++i) {
            expected |= static_cast<uint64_t>(surface.samples[surface.sampleIndex(i, j, k)].value < 0.1f) << i;
          }
          ASSERT_EQ(below[static_cast<size_t>(k * perAxis + j)], expected) << cpu::nameOf(path) << " " << cells;
        }
      }
    }
  }
}

}  // namespace
}  // namespace orvanta
