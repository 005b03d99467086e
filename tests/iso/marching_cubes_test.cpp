// The marching-cubes tables, checked against the cube's geometry, and the polygoniser from
// one cell to a whole sphere.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "iso/iso_surface.h"
#include "iso/marching_cubes_tables.h"

namespace orvanta {
namespace {

// The corner positions and edge ends, written out here rather than taken from the tables.
constexpr int kCorner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
constexpr int kEdge[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                              {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

std::vector<int> row(int index) {
  std::vector<int> entries;
  for (int e = 0; e < 16 && kTriangleTable[index][e] != -1; ++e) entries.push_back(kTriangleTable[index][e]);
  return entries;
}

using Point = std::array<double, 3>;
Point minus(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point cross(const Point& a, const Point& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Point edgeMidpoint(int edge) {
  Point p;
  for (int axis = 0; axis < 3; ++axis) p[axis] = 0.5 * (kCorner[kEdge[edge][0]][axis] + kCorner[kEdge[edge][1]][axis]);
  return p;
}

// Gradient of the trilinear blend of -1 at corners below the level and +1 at the others.
Point indicatorGradient(int index, const Point& p) {
  Point g{0.0, 0.0, 0.0};
  for (int c = 0; c < 8; ++c) {
    const double value = ((index >> c) & 1) != 0 ? -1.0 : 1.0;
    Point weight, slope;
    for (int axis = 0; axis < 3; ++axis) {
      weight[axis] = kCorner[c][axis] != 0 ? p[axis] : 1.0 - p[axis];
      slope[axis] = kCorner[c][axis] != 0 ? 1.0 : -1.0;
    }
    for (int axis = 0; axis < 3; ++axis)
      g[axis] += value * slope[axis] * weight[(axis + 1) % 3] * weight[(axis + 2) % 3];
  }
  return g;
}

bool onOneCubeFace(int edgeA, int edgeB) {
  for (int axis = 0; axis < 3; ++axis) {
    for (int side = 0; side < 2; ++side) {
      bool all = true;
      for (const int edge : {edgeA, edgeB}) {
        for (const int corner : kEdge[edge]) all = all && kCorner[corner][axis] == side;
      }
      if (all) return true;
    }
  }
  return false;
}

TEST(MarchingCubesTables, NumberingAndKnownRows) {
  for (int c = 0; c < 8; ++c) {
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(kCubeCornerOffsets[c][axis], static_cast<float>(kCorner[c][axis]));
  }
  for (int e = 0; e < 12; ++e)
    EXPECT_EQ((std::array{kCubeEdgeCorners[e][0], kCubeEdgeCorners[e][1]}), (std::array{kEdge[e][0], kEdge[e][1]}));
  EXPECT_EQ((std::array{kEdgeTable[1], kEdgeTable[2], kEdgeTable[3], kEdgeTable[4]}),
            (std::array{0x109, 0x203, 0x30A, 0x406}));
  EXPECT_EQ(row(1), (std::vector<int>{0, 8, 3}));
  EXPECT_EQ(row(3), (std::vector<int>{1, 8, 3, 9, 8, 1}));
  EXPECT_EQ(row(5), (std::vector<int>{0, 8, 3, 1, 2, 10}));
  EXPECT_EQ(row(254), (std::vector<int>{0, 3, 8}));
  EXPECT_TRUE(row(0).empty() && row(255).empty());
}

// For every cube index: the edge table marks exactly the edges with corners on both sides;
// the row uses exactly those edges in whole triangles, faces each triangle towards the
// corners below the level, and every triangle side either runs across a cube face or is
// shared with exactly one other triangle of the row, traversed the other way.
TEST(MarchingCubesTables, EveryRowIsAConsistentlyWoundPatchOfTheCutEdges) {
  for (int index = 0; index < 256; ++index) {
    int cut = 0;
    for (int e = 0; e < 12; ++e) cut |= (((index >> kEdge[e][0]) ^ (index >> kEdge[e][1])) & 1) << e;
    ASSERT_EQ(kEdgeTable[index], cut) << "index " << index;
    const std::vector<int> entries = row(index);
    ASSERT_EQ(entries.size() % 3, 0u) << "index " << index;
    ASSERT_LE(entries.size(), 15u) << "index " << index;
    int used = 0;
    int directed[12][12] = {};
    for (size_t t = 0; t < entries.size(); t += 3) {
      const int* edge = &entries[t];
      ASSERT_TRUE(edge[0] != edge[1] && edge[0] != edge[2] && edge[1] != edge[2]) << "index " << index;
      for (int m = 0; m < 3; ++m) {
        ASSERT_TRUE(edge[m] >= 0 && edge[m] < 12 && (cut >> edge[m] & 1)) << "index " << index << " edge " << edge[m];
        used |= 1 << edge[m];
        ++directed[edge[m]][edge[(m + 1) % 3]];
      }
      const Point p0 = edgeMidpoint(edge[0]), p1 = edgeMidpoint(edge[1]), p2 = edgeMidpoint(edge[2]);
      const Point centre{(p0[0] + p1[0] + p2[0]) / 3, (p0[1] + p1[1] + p2[1]) / 3, (p0[2] + p1[2] + p2[2]) / 3};
      EXPECT_LT(dot(cross(minus(p1, p0), minus(p2, p0)), indicatorGradient(index, centre)), 0.0)
          << "index " << index << " triangle " << t / 3;
    }
    EXPECT_EQ(used, cut) << "index " << index << " leaves a cut edge unused";
    for (int a = 0; a < 12; ++a) {
      for (int b = 0; b < 12; ++b) {
        EXPECT_LE(directed[a][b], 1) << "index " << index;
        EXPECT_TRUE(directed[a][b] == 0 || directed[b][a] == 1 || onOneCubeFace(a, b))
            << "index " << index << " open side " << a << "-" << b;
      }
    }
  }
}

GridSample sampleWith(float value, Vec3 position = {}, Vec3 normal = {}) {
  GridSample sample;
  sample.position = position, sample.normal = normal, sample.value = value;
  return sample;
}

std::vector<float> xyz(const Vec3& v) { return {v.x, v.y, v.z}; }

TEST(Polygonise, EdgesInterpolateOrSnapAndCellsGiveTheirRowsTriangles) {
  const GridSample halfway = IsoSurface::interpolateEdge(0.1f, sampleWith(0.05f, {0, 0, 0}, {1, 0, 0}),
                                                         sampleWith(0.15f, {14, 0, 0}, {0, 1, 0}));
  EXPECT_NEAR(halfway.position.x, 7.0f, 1e-5f);
  EXPECT_NEAR(halfway.normal.x, 0.5f, 1e-6f);  // blended, not renormalised
  EXPECT_NEAR(halfway.normal.y, 0.5f, 1e-6f);
  const GridSample a = sampleWith(0.1f, {1, 2, 3}, {0, 0, 1}), b = sampleWith(0.3f, {15, 2, 3}, {0, 1, 0});
  EXPECT_EQ(xyz(IsoSurface::interpolateEdge(0.1f, a, b).normal), xyz(a.normal));  // at the level: that corner
  EXPECT_EQ(xyz(IsoSurface::interpolateEdge(0.1f, b, sampleWith(0.100001f, {29, 2, 3})).position),
            (std::vector<float>{29, 2, 3}));  // near the level: that corner
  EXPECT_EQ(
      xyz(IsoSurface::interpolateEdge(0.1f, sampleWith(0.5f, {1, 0, 0}), sampleWith(0.500004f, {9, 0, 0})).position),
      (std::vector<float>{1, 0, 0}));  // nearly equal values: the first corner, no division

  // A cell of size 14 whose corner normals are their offsets.
  auto cell = [](GridSample corners[8], const std::array<float, 8>& values) {
    for (int c = 0; c < 8; ++c) {
      const Vec3 offset{float(kCorner[c][0]), float(kCorner[c][1]), float(kCorner[c][2])};
      corners[c] = sampleWith(values[c], {offset.x * 14, offset.y * 14, offset.z * 14}, offset);
    }
  };
  IsoTriangle out[5];
  GridSample corners[8];
  cell(corners, {0.0f, 0.01f, 0.02f, 0.03f, 0.04f, 0.05f, 0.06f, 0.09f});
  EXPECT_EQ(IsoSurface::polygoniseCell(corners, 0.1f, out), 0);
  cell(corners, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.1f});  // at the level counts as above
  EXPECT_EQ(IsoSurface::polygoniseCell(corners, 0.1f, out), 0);
  cell(corners, {0.0f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f});
  ASSERT_EQ(IsoSurface::polygoniseCell(corners, 0.1f, out), 1);
  // Edge 0 (corner 0 to 1), then edge 8 (0 to 4), then edge 3 (3 to 0), each halfway.
  EXPECT_EQ(xyz(out[0].positions[0]), (std::vector<float>{7, 0, 0}));
  EXPECT_EQ(xyz(out[0].positions[1]), (std::vector<float>{0, 0, 7}));
  EXPECT_EQ(xyz(out[0].positions[2]), (std::vector<float>{0, 7, 0}));
  EXPECT_EQ(xyz(out[0].normals[1]), (std::vector<float>{0, 0, 0.5f}));

  IsoSurface surface;  // cell (17, 0, 9) of a 19-sample grid, samples numbered by index
  surface.init(0.1f, 18, 14);
  for (int32_t index = 0; index < 19 * 19 * 19; ++index) surface.samples[index].value = static_cast<float>(index);
  surface.gatherCell(corners, 17, 0, 9);
  const int32_t origin = 9 * 361 + 17;
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(corners[c].value, float(origin + kCorner[c][0] + 19 * kCorner[c][1] + 361 * kCorner[c][2])) << c;
  }
  EXPECT_EQ(xyz(corners[6].position), (std::vector<float>{126, -112, 14}));
}

// One source of strength 10 makes a sphere of radius sqrt(1000) at level 0.1.
TEST(Polygonise, SphereGetsFreshOutwardFacingTrianglesInCellOrder) {
  for (const auto& [cells, size] : std::vector<std::pair<int32_t, int32_t>>{{18, 14}, {63, 2}, {70, 2}}) {
    IsoSurface surface;  // grids wider than 64 samples classify their cells one at a time
    surface.init(0.1f, cells, size);
    surface.sources.addSource(10.0f);
    surface.sources.setSourcePosition(0, 3.0f, -5.0f, 2.0f);
    surface.polygonise();
    const int32_t faces = surface.mesh.faceCount;
    ASSERT_GT(faces, 100) << cells;
    EXPECT_EQ(surface.mesh.vertexCount, 3 * faces);
    int64_t previous = -1;
    for (int32_t f = 0; f < faces; ++f) {
      const int32_t* indices = surface.mesh.faces[f].indices;
      ASSERT_TRUE(indices[0] == 3 * f && indices[1] == 3 * f + 1 && indices[2] == 3 * f + 2) << f;
      Point p[3];
      for (int m = 0; m < 3; ++m) {
        const RenderVertex& vertex = surface.mesh.vertices[3 * f + m];
        p[m] = {vertex.position.x - 3.0, vertex.position.y + 5.0, vertex.position.z - 2.0};
        ASSERT_NEAR(std::sqrt(dot(p[m], p[m])), std::sqrt(1000.0), cells == 18 ? 3.0 : 0.5) << cells;
        ASSERT_GT(dot({vertex.normal.x, vertex.normal.y, vertex.normal.z}, p[m]), 0.0);  // normals point out
      }
      const Point centre{(p[0][0] + p[1][0] + p[2][0]) / 3, (p[0][1] + p[1][1] + p[2][1]) / 3,
                         (p[0][2] + p[1][2] + p[2][2]) / 3};
      ASSERT_GT(dot(cross(minus(p[1], p[0]), minus(p[2], p[0])), centre), 0.0);  // wound to face the weaker field
      int64_t order = 0;  // cells are walked with x slowest and z fastest
      for (int axis = 0; axis < 3; ++axis) {
        const double world = centre[axis] + (axis == 0 ? 3.0 : axis == 1 ? -5.0 : 2.0);
        order = order * cells + static_cast<int64_t>(std::floor((world + cells * size * 0.5) / size));
      }
      ASSERT_GE(order, previous) << "face " << f;
      previous = order;
    }
    std::vector<RenderVertex> first(surface.mesh.vertices.get(), surface.mesh.vertices.get() + 3 * faces);
    surface.polygonise();  // a second call rebuilds the same mesh
    ASSERT_EQ(surface.mesh.faceCount, faces);
    EXPECT_EQ(std::memcmp(first.data(), surface.mesh.vertices.get(), first.size() * sizeof(RenderVertex)), 0);
    surface.sources.setSourcePosition(0, 5000.0f, 0.0f, 0.0f);  // moved away: empty
    surface.polygonise();
    EXPECT_EQ(surface.mesh.vertexCount + surface.mesh.faceCount, 0);
  }
}

TEST(Polygonise, EmptyGridsGiveNothingAndAFullMeshStopsAppending) {
  IsoSurface none, noCells;
  none.init(0.1f, 18, 14);
  none.polygonise();
  noCells.init(0.1f, 0, 14);
  noCells.sources.addSource(10.0f);
  noCells.polygonise();
  EXPECT_EQ(none.mesh.faceCount + noCells.mesh.faceCount + none.mesh.vertexCount, 0);
  // A checkerboard grid cuts every cell into four triangles: 27,000 cells would need 108,000
  // triangles, five times what the mesh holds.
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
  EXPECT_EQ(surface.mesh.faces[surface.mesh.faceCount - 1].indices[2], kIsoMeshCapacity - 1);
}

}  // namespace
}  // namespace orvanta
