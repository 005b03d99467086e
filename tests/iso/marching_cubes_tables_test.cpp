#include "iso/marching_cubes_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace orvanta {
namespace {

// The corner positions and edge ends, written out here rather than taken from the tables.
constexpr int kCorner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                               {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
constexpr int kEdge[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                              {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

std::vector<int> row(int index) {
  std::vector<int> entries;
  for (int e = 0; e < 16 && kTriangleTable[index][e] != -1; ++e) entries.push_back(kTriangleTable[index][e]);
  return entries;
}

TEST(MarchingCubesTablesTest, CornerAndEdgeNumbering) {
  for (int c = 0; c < 8; ++c) {
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(kCubeCornerOffsets[c][axis], static_cast<float>(kCorner[c][axis]));
  }
  for (int e = 0; e < 12; ++e) {
    EXPECT_EQ(kCubeEdgeCorners[e][0], kEdge[e][0]);
    EXPECT_EQ(kCubeEdgeCorners[e][1], kEdge[e][1]);
  }
}

TEST(MarchingCubesTablesTest, EdgeTableMarksExactlyTheEdgesWithCornersOnBothSides) {
  for (int index = 0; index < 256; ++index) {
    int expected = 0;
    for (int e = 0; e < 12; ++e) {
      const bool first = ((index >> kEdge[e][0]) & 1) != 0;
      const bool second = ((index >> kEdge[e][1]) & 1) != 0;
      if (first != second) expected |= 1 << e;
    }
    EXPECT_EQ(kEdgeTable[index], expected) << "index " << index;
  }
  EXPECT_EQ(kEdgeTable[1], 0x109);
  EXPECT_EQ(kEdgeTable[2], 0x203);
  EXPECT_EQ(kEdgeTable[3], 0x30A);
  EXPECT_EQ(kEdgeTable[4], 0x406);
}

TEST(MarchingCubesTablesTest, KnownRows) {
  EXPECT_EQ(row(0), std::vector<int>{});
  EXPECT_EQ(row(1), (std::vector<int>{0, 8, 3}));
  EXPECT_EQ(row(2), (std::vector<int>{0, 1, 9}));
  EXPECT_EQ(row(3), (std::vector<int>{1, 8, 3, 9, 8, 1}));
  EXPECT_EQ(row(4), (std::vector<int>{1, 2, 10}));
  EXPECT_EQ(row(5), (std::vector<int>{0, 8, 3, 1, 2, 10}));
  EXPECT_EQ(row(254), (std::vector<int>{0, 3, 8}));
  EXPECT_EQ(row(255), std::vector<int>{});
}

TEST(MarchingCubesTablesTest, RowsUseExactlyTheCutEdgesInWholeTriangles) {
  for (int index = 0; index < 256; ++index) {
    const std::vector<int> entries = row(index);
    ASSERT_EQ(entries.size() % 3, 0u) << "index " << index;
    ASSERT_LE(entries.size(), 15u) << "index " << index;
    for (size_t e = entries.size(); e < 16; ++e) EXPECT_EQ(kTriangleTable[index][e], -1) << "index " << index;
    int used = 0;
    for (const int edge : entries) {
      ASSERT_GE(edge, 0);
      ASSERT_LT(edge, 12);
      EXPECT_NE(kEdgeTable[index] & (1 << edge), 0) << "index " << index << " uses uncut edge " << edge;
      used |= 1 << edge;
    }
    EXPECT_EQ(used, kEdgeTable[index]) << "index " << index << " leaves a cut edge unused";
    for (size_t t = 0; t < entries.size(); t += 3) {
      EXPECT_TRUE(entries[t] != entries[t + 1] && entries[t] != entries[t + 2] && entries[t + 1] != entries[t + 2])
          << "index " << index;
    }
  }
}

using Point = std::array<double, 3>;

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
    double weight[3];
    double slope[3];
    for (int axis = 0; axis < 3; ++axis) {
      weight[axis] = kCorner[c][axis] != 0 ? p[axis] : 1.0 - p[axis];
      slope[axis] = kCorner[c][axis] != 0 ? 1.0 : -1.0;
    }
    g[0] += value * slope[0] * weight[1] * weight[2];
    g[1] += value * weight[0] * slope[1] * weight[2];
    g[2] += value * weight[0] * weight[1] * slope[2];
  }
  return g;
}

TEST(MarchingCubesTablesTest, EveryTriangleFacesTheCornersBelowTheLevel) {
  for (int index = 1; index < 255; ++index) {
    const std::vector<int> entries = row(index);
    for (size_t t = 0; t < entries.size(); t += 3) {
      const Point p0 = edgeMidpoint(entries[t]);
      const Point p1 = edgeMidpoint(entries[t + 1]);
      const Point p2 = edgeMidpoint(entries[t + 2]);
      const Point a{p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
      const Point b{p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
      const Point n{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
      const Point centre{(p0[0] + p1[0] + p2[0]) / 3, (p0[1] + p1[1] + p2[1]) / 3, (p0[2] + p1[2] + p2[2]) / 3};
      const Point g = indicatorGradient(index, centre);
      EXPECT_LT(n[0] * g[0] + n[1] * g[1] + n[2] * g[2], 0.0) << "index " << index << " triangle " << t / 3;
    }
  }
}

// Inside a row, every triangle side either runs across a cube face or is shared with
// exactly one other triangle of the row, traversed the other way: the pieces are closed
// surfaces cut by the cube.
TEST(MarchingCubesTablesTest, RowsFormConsistentlyWoundPatches) {
  auto onOneFace = [](int edgeA, int edgeB) {
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
  };
  for (int index = 0; index < 256; ++index) {
    const std::vector<int> entries = row(index);
    int directed[12][12] = {};
    for (size_t t = 0; t < entries.size(); t += 3) {
      for (int m = 0; m < 3; ++m) ++directed[entries[t + m]][entries[t + (m + 1) % 3]];
    }
    for (int a = 0; a < 12; ++a) {
      for (int b = 0; b < 12; ++b) {
        if (directed[a][b] == 0) continue;
        EXPECT_EQ(directed[a][b], 1) << "index " << index;
        if (directed[b][a] == 0) {
          EXPECT_TRUE(onOneFace(a, b)) << "index " << index << " open side " << a << "-" << b;
        }
      }
    }
  }
}

}  // namespace
}  // namespace orvanta
