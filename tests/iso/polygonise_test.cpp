#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "iso/iso_surface.h"

namespace orvanta {
namespace {

GridSample sampleWith(float value, Vec3 position = {}, Vec3 normal = {}) {
  GridSample sample;
  sample.position = position;
  sample.normal = normal;
  sample.value = value;
  return sample;
}

void expectVec(const Vec3& actual, float x, float y, float z) {
  EXPECT_FLOAT_EQ(actual.x, x);
  EXPECT_FLOAT_EQ(actual.y, y);
  EXPECT_FLOAT_EQ(actual.z, z);
}

TEST(InterpolateEdgeTest, CrossingHalfwayMovesPositionAndNormal) {
  const GridSample a = sampleWith(0.05f, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f});
  const GridSample b = sampleWith(0.15f, {14.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
  const GridSample point = IsoSurface::interpolateEdge(0.1f, a, b);
  EXPECT_NEAR(point.position.x, 7.0f, 1e-5f);
  EXPECT_EQ(point.position.y, 0.0f);
  // The normal is blended, not renormalised.
  EXPECT_NEAR(point.normal.x, 0.5f, 1e-6f);
  EXPECT_NEAR(point.normal.y, 0.5f, 1e-6f);
}

TEST(InterpolateEdgeTest, ValuesAtOrNearTheLevelSnapToACorner) {
  const GridSample a = sampleWith(0.1f, {1.0f, 2.0f, 3.0f}, {0.0f, 0.0f, 1.0f});
  const GridSample b = sampleWith(0.3f, {15.0f, 2.0f, 3.0f}, {0.0f, 1.0f, 0.0f});
  const GridSample first = IsoSurface::interpolateEdge(0.1f, a, b);
  expectVec(first.position, 1.0f, 2.0f, 3.0f);
  expectVec(first.normal, 0.0f, 0.0f, 1.0f);

  const GridSample c = sampleWith(0.3f, {1.0f, 2.0f, 3.0f}, {0.0f, 0.0f, 1.0f});
  const GridSample d = sampleWith(0.100001f, {15.0f, 2.0f, 3.0f}, {0.0f, 1.0f, 0.0f});
  const GridSample second = IsoSurface::interpolateEdge(0.1f, c, d);
  expectVec(second.position, 15.0f, 2.0f, 3.0f);
  expectVec(second.normal, 0.0f, 1.0f, 0.0f);

  // Nearly equal values (but neither at the level) give the first corner, no division.
  const GridSample e = sampleWith(0.5f, {1.0f, 0.0f, 0.0f});
  const GridSample f = sampleWith(0.500004f, {9.0f, 0.0f, 0.0f});
  expectVec(IsoSurface::interpolateEdge(0.1f, e, f).position, 1.0f, 0.0f, 0.0f);
}

// A cell of the unit cube scaled by 14, with the given corner values.
void unitCell(GridSample corners[8], const float values[8]) {
  static const float offsets[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                      {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int c = 0; c < 8; ++c) {
    corners[c] = sampleWith(values[c], {offsets[c][0] * 14.0f, offsets[c][1] * 14.0f, offsets[c][2] * 14.0f},
                            {offsets[c][0], offsets[c][1], offsets[c][2]});
  }
}

TEST(PolygoniseCellTest, CellsWhollyOnOneSideGiveNothing) {
  IsoTriangle out[5];
  GridSample corners[8];
  const float below[8] = {0.0f, 0.01f, 0.02f, 0.03f, 0.04f, 0.05f, 0.06f, 0.09f};
  unitCell(corners, below);
  EXPECT_EQ(IsoSurface::polygoniseCell(corners, 0.1f, out), 0);
  const float above[8] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.1f};  // at the level counts as above
  unitCell(corners, above);
  EXPECT_EQ(IsoSurface::polygoniseCell(corners, 0.1f, out), 0);
}

TEST(PolygoniseCellTest, OnlyCornerZeroBelowGivesOneTriangleOnEdgesZeroEightThree) {
  IsoTriangle out[5];
  GridSample corners[8];
  const float values[8] = {0.0f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f};
  unitCell(corners, values);
  ASSERT_EQ(IsoSurface::polygoniseCell(corners, 0.1f, out), 1);
  // Edge 0 (corner 0 to 1), then edge 8 (0 to 4), then edge 3 (3 to 0), each halfway.
  expectVec(out[0].positions[0], 7.0f, 0.0f, 0.0f);
  expectVec(out[0].positions[1], 0.0f, 0.0f, 7.0f);
  expectVec(out[0].positions[2], 0.0f, 7.0f, 0.0f);
  expectVec(out[0].normals[0], 0.5f, 0.0f, 0.0f);
  expectVec(out[0].normals[1], 0.0f, 0.0f, 0.5f);
  expectVec(out[0].normals[2], 0.0f, 0.5f, 0.0f);
}

TEST(GatherCellTest, CornersCarryTheirSampleAndWorldPosition) {
  IsoSurface surface;
  surface.init(0.1f, 18, 14);
  for (int32_t index = 0; index < 19 * 19 * 19; ++index) surface.samples[index].value = static_cast<float>(index);
  GridSample corners[8];
  surface.gatherCell(corners, 17, 0, 9);
  const int32_t origin = 9 * 361 + 0 * 19 + 17;
  EXPECT_EQ(corners[0].value, static_cast<float>(origin));
  EXPECT_EQ(corners[1].value, static_cast<float>(origin + 1));
  EXPECT_EQ(corners[2].value, static_cast<float>(origin + 1 + 19));
  EXPECT_EQ(corners[3].value, static_cast<float>(origin + 19));
  EXPECT_EQ(corners[4].value, static_cast<float>(origin + 361));
  EXPECT_EQ(corners[6].value, static_cast<float>(origin + 361 + 19 + 1));
  expectVec(corners[0].position, 112.0f, -126.0f, 0.0f);
  expectVec(corners[6].position, 126.0f, -112.0f, 14.0f);
}

// One source of strength 10 makes a sphere of radius sqrt(1000) at level 0.1.
class SphereTest : public ::testing::Test {
 protected:
  void SetUp() override {
    surface.init(0.1f, 18, 14);
    surface.sources.addSource(10.0f);
    surface.sources.setSourcePosition(0, 3.0f, -5.0f, 2.0f);
  }
  IsoSurface surface;
};

TEST_F(SphereTest, EveryTriangleGetsThreeFreshVerticesOnTheSphere) {
  surface.polygonise();
  const int32_t faces = surface.mesh.faceCount;
  ASSERT_GT(faces, 100);
  EXPECT_EQ(surface.mesh.vertexCount, 3 * faces);
  for (int32_t f = 0; f < faces; ++f) {
    const MeshFace& face = surface.mesh.faces[f];
    ASSERT_EQ(face.indices[0], 3 * f);
    ASSERT_EQ(face.indices[1], 3 * f + 1);
    ASSERT_EQ(face.indices[2], 3 * f + 2);
    Vec3 p[3];
    for (int m = 0; m < 3; ++m) {
      const RenderVertex& vertex = surface.mesh.vertices[face.indices[m]];
      p[m] = Vec3{vertex.position.x - 3.0f, vertex.position.y + 5.0f, vertex.position.z - 2.0f};
      const float radius = std::sqrt(p[m].x * p[m].x + p[m].y * p[m].y + p[m].z * p[m].z);
      EXPECT_NEAR(radius, std::sqrt(1000.0f), 3.0f);
      // Interpolated normals point outward.
      EXPECT_GT(vertex.normal.x * p[m].x + vertex.normal.y * p[m].y + vertex.normal.z * p[m].z, 0.0f);
    }
    // The winding puts the face normal outside, towards the weaker field.
    const Vec3 a{p[1].x - p[0].x, p[1].y - p[0].y, p[1].z - p[0].z};
    const Vec3 b{p[2].x - p[0].x, p[2].y - p[0].y, p[2].z - p[0].z};
    const Vec3 n{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    EXPECT_GT(n.x * (p[0].x + p[1].x + p[2].x) + n.y * (p[0].y + p[1].y + p[2].y) + n.z * (p[0].z + p[1].z + p[2].z),
              0.0f);
  }
}

TEST_F(SphereTest, TrianglesFollowTheCellsWithZFastest) {
  surface.polygonise();
  int64_t previous = -1;
  for (int32_t f = 0; f < surface.mesh.faceCount; ++f) {
    float centre[3] = {0.0f, 0.0f, 0.0f};
    for (int m = 0; m < 3; ++m) {
      const Vec3& p = surface.mesh.vertices[3 * f + m].position;
      centre[0] += p.x / 3.0f;
      centre[1] += p.y / 3.0f;
      centre[2] += p.z / 3.0f;
    }
    int64_t cell[3];
    for (int axis = 0; axis < 3; ++axis) cell[axis] = static_cast<int64_t>(std::floor((centre[axis] + 126.0f) / 14.0f));
    const int64_t order = (cell[0] * 18 + cell[1]) * 18 + cell[2];
    EXPECT_GE(order, previous) << "face " << f;
    previous = order;
  }
}

TEST_F(SphereTest, ASecondCallRebuildsTheSameMesh) {
  surface.polygonise();
  const int32_t vertices = surface.mesh.vertexCount;
  const int32_t faces = surface.mesh.faceCount;
  std::vector<Vec3> positions;
  for (int32_t v = 0; v < vertices; ++v) positions.push_back(surface.mesh.vertices[v].position);
  surface.polygonise();
  ASSERT_EQ(surface.mesh.vertexCount, vertices);
  ASSERT_EQ(surface.mesh.faceCount, faces);
  for (int32_t v = 0; v < vertices; ++v) {
    ASSERT_EQ(std::memcmp(&positions[v], &surface.mesh.vertices[v].position, sizeof(Vec3)), 0);
  }
}

TEST_F(SphereTest, MovingTheSourceAwayEmptiesTheMesh) {
  surface.polygonise();
  ASSERT_GT(surface.mesh.faceCount, 0);
  surface.sources.setSourcePosition(0, 5000.0f, 0.0f, 0.0f);
  surface.polygonise();
  EXPECT_EQ(surface.mesh.vertexCount, 0);
  EXPECT_EQ(surface.mesh.faceCount, 0);
}

// Grids wider than 64 samples classify their cells one sample at a time.
TEST(PolygoniseTest, FineGridsGiveTheSameKindOfSurface) {
  for (const int32_t cells : {63, 70}) {
    IsoSurface surface;
    surface.init(0.1f, cells, 2);
    surface.sources.addSource(10.0f);
    surface.sources.setSourcePosition(0, 1.0f, -1.5f, 0.5f);
    surface.polygonise();
    ASSERT_GT(surface.mesh.faceCount, 5000) << cells;
    EXPECT_EQ(surface.mesh.vertexCount, 3 * surface.mesh.faceCount);
    for (int32_t v = 0; v < surface.mesh.vertexCount; ++v) {
      const Vec3& p = surface.mesh.vertices[v].position;
      const float radius = std::sqrt((p.x - 1.0f) * (p.x - 1.0f) + (p.y + 1.5f) * (p.y + 1.5f) + (p.z - 0.5f) * (p.z - 0.5f));
      ASSERT_NEAR(radius, std::sqrt(1000.0f), 0.5f) << cells;
    }
  }
}

TEST(PolygoniseTest, AGridWithoutCellsGivesNothing) {
  IsoSurface surface;
  surface.init(0.1f, 0, 14);
  surface.sources.addSource(10.0f);
  surface.sources.setSourcePosition(0, 3.0f, 0.0f, 0.0f);
  surface.polygonise();
  EXPECT_EQ(surface.mesh.faceCount, 0);
}

TEST(PolygoniseTest, NoSourcesGiveAnEmptyMesh) {
  IsoSurface surface;
  surface.init(0.1f, 18, 14);
  surface.polygonise();
  EXPECT_EQ(surface.mesh.vertexCount, 0);
  EXPECT_EQ(surface.mesh.faceCount, 0);
}

TEST(PolygoniseTest, AppendingStopsWhenTheMeshIsFull) {
  // A checkerboard grid cuts every cell into four triangles: 27,000 cells would need
  // 108,000 triangles, five times what the mesh holds.
  IsoSurface surface;
  surface.init(0.1f, 30, 1);
  for (int32_t k = 0; k <= 30; ++k) {
    for (int32_t j = 0; j <= 30; ++j) {
      for (int32_t i = 0; i <= 30; ++i) surface.samples[surface.sampleIndex(i, j, k)].value = ((i + j + k) & 1) * 0.2f;
    }
  }
  surface.buildMesh();
  EXPECT_EQ(surface.mesh.vertexCount, kIsoMeshCapacity);
  EXPECT_EQ(surface.mesh.faceCount, kIsoMeshCapacity / 3);
  const MeshFace& last = surface.mesh.faces[surface.mesh.faceCount - 1];
  EXPECT_EQ(last.indices[2], kIsoMeshCapacity - 1);
}

}  // namespace
}  // namespace orvanta
