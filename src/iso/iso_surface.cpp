#include "iso/iso_surface.h"

#include <bit>
#include <cmath>

#include "iso/field_grid_kernels.h"

#include "iso/marching_cubes_tables.h"

namespace orvanta {

void IsoSurface::init(float level, int32_t cells, int32_t size) {
  isoLevel = level;
  cellsPerAxis = cells < 0 ? 0 : cells;
  cellSize = static_cast<float>(size);
  const int32_t perAxis = samplesPerAxis();
  const size_t sampleCount = static_cast<size_t>(perAxis) * static_cast<size_t>(perAxis) * static_cast<size_t>(perAxis);
  samples = std::make_unique<GridSample[]>(sampleCount);
  mesh.allocate(kIsoMeshCapacity, kIsoMeshCapacity);
  vertexCapacity_ = mesh.vertices ? mesh.vertexCount : 0;
  faceCapacity_ = mesh.faces ? mesh.faceCount : 0;
  planeOffsets = std::make_unique<int32_t[]>(static_cast<size_t>(perAxis));
  rowOffsets = std::make_unique<int32_t[]>(static_cast<size_t>(perAxis));
  for (int32_t index = 0; index < perAxis; ++index) {
    planeOffsets[index] = index * perAxis * perAxis;
    rowOffsets[index] = index * perAxis;
  }
  belowRows_.reset();
  cutCells_.reset();
  if (perAxis <= 64) {
    belowRows_ = std::make_unique<uint64_t[]>(static_cast<size_t>(perAxis) * static_cast<size_t>(perAxis));
    cutCells_ = std::make_unique<uint64_t[]>(static_cast<size_t>(cellsPerAxis) * static_cast<size_t>(cellsPerAxis));
  }
}

void IsoSurface::gatherCell(GridSample corners[8], int32_t i, int32_t j, int32_t k) const {
  const float half = halfExtent();
  const float x0 = static_cast<float>(i) * cellSize - half;
  const float y0 = static_cast<float>(j) * cellSize - half;
  const float z0 = static_cast<float>(k) * cellSize - half;
  for (int32_t c = 0; c < 8; ++c) {
    const float* offset = kCubeCornerOffsets[c];
    const int32_t dx = static_cast<int32_t>(offset[0]);
    const int32_t dy = static_cast<int32_t>(offset[1]);
    const int32_t dz = static_cast<int32_t>(offset[2]);
    corners[c] = samples[sampleIndex(i + dx, j + dy, k + dz)];
    corners[c].position = Vec3{x0 + offset[0] * cellSize, y0 + offset[1] * cellSize, z0 + offset[2] * cellSize};
  }
}

namespace {

// Where the level crosses the edge from (p1, n1) with value f1 to (p2, n2) with value f2: an
// end whose value is within kInterpEpsilon of the level (or p1 when the two values are that
// close), otherwise the linear mix of positions and normals. Any type with x, y, z will do.
template <typename Point>
void crossing(float level, float f1, float f2, const Point& p1, const Point& n1, const Point& p2, const Point& n2,
              Point& position, Point& normal) {
  if (std::fabs(level - f1) < kInterpEpsilon) {
    position = p1, normal = n1;
    return;
  }
  if (std::fabs(level - f2) < kInterpEpsilon) {
    position = p2, normal = n2;
    return;
  }
  if (std::fabs(f1 - f2) < kInterpEpsilon) {
    position = p1, normal = n1;
    return;
  }
  const float mu = (level - f1) / (f2 - f1);
  position.x = p1.x + mu * (p2.x - p1.x);
  position.y = p1.y + mu * (p2.y - p1.y);
  position.z = p1.z + mu * (p2.z - p1.z);
  normal.x = n1.x + mu * (n2.x - n1.x);
  normal.y = n1.y + mu * (n2.y - n1.y);
  normal.z = n1.z + mu * (n2.z - n1.z);
}

}  // namespace

GridSample IsoSurface::interpolateEdge(float level, const GridSample& p1, const GridSample& p2) {
  const float f1 = p1.value;
  const float f2 = p2.value;
  if (std::fabs(level - f1) < kInterpEpsilon) return p1;
  if (std::fabs(level - f2) < kInterpEpsilon) return p2;
  if (std::fabs(f1 - f2) < kInterpEpsilon) return p1;
  GridSample point;
  crossing(level, f1, f2, p1.position, p1.normal, p2.position, p2.normal, point.position, point.normal);
  return point;
}

namespace {

// kCubeCornerOffsets as whole steps along x, y and z.
constexpr int32_t kCornerBits[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};

int32_t cubeIndex(const GridSample corners[8], float level) {
  int32_t index = 0;
  for (int32_t c = 0; c < 8; ++c) {
    if (corners[c].value < level) index |= 1 << c;
  }
  return index;
}

}  // namespace

int32_t IsoSurface::polygoniseCell(const GridSample corners[8], float level, IsoTriangle* out) {
  const int32_t index = cubeIndex(corners, level);
  const int32_t cutEdges = kEdgeTable[index];
  if (cutEdges == 0) return 0;

  GridSample edgePoints[12];
  for (int32_t e = 0; e < 12; ++e) {
    if ((cutEdges & (1 << e)) != 0) {
      edgePoints[e] = interpolateEdge(level, corners[kCubeEdgeCorners[e][0]], corners[kCubeEdgeCorners[e][1]]);
    }
  }

  const int32_t* row = kTriangleTable[index];
  int32_t count = 0;
  for (int32_t entry = 0; row[entry] != -1; entry += 3) {
    IsoTriangle& triangle = out[count];
    for (int32_t m = 0; m < 3; ++m) {
      triangle.positions[m] = edgePoints[row[entry + m]].position;
      triangle.normals[m] = edgePoints[row[entry + m]].normal;
    }
    ++count;
  }
  return count;
}

void IsoSurface::polygonise() {
  if (!samples) return;
  const bool bitsFilled = field_grid::fillGridWith(*this, cpu::bestPath(), belowRows_.get());
  buildMeshFrom(bitsFilled);
}

void IsoSurface::buildMesh() { buildMeshFrom(false); }

void IsoSurface::markBelow() {
  const int32_t perAxis = samplesPerAxis();
  uint64_t* const below = belowRows_.get();
  for (int32_t k = 0; k < perAxis; ++k) {
    for (int32_t j = 0; j < perAxis; ++j) {
      const GridSample* row = &samples[sampleIndex(0, j, k)];
      uint64_t bits = 0;
      for (int32_t i = 0; i < perAxis; ++i) bits |= static_cast<uint64_t>(row[i].value < isoLevel) << i;
      below[k * perAxis + j] = bits;
    }
  }
}

// The cell's triangles appended to the mesh from the grid: the same words gatherCell and
// polygoniseCell give, without copying whole samples. False when the mesh is full.
bool IsoSurface::appendCell(int32_t i, int32_t j, int32_t k, int32_t index) {
  const int32_t cutEdges = kEdgeTable[index];
  const GridSample* const origin = &samples[sampleIndex(i, j, k)];
  const float half = halfExtent();
  // Corner coordinates as gatherCell has them: the origin's, plus offset times the cell size.
  const float x0 = static_cast<float>(i) * cellSize - half;
  const float y0 = static_cast<float>(j) * cellSize - half;
  const float z0 = static_cast<float>(k) * cellSize - half;
  const float xs[2] = {x0 + 0.0f * cellSize, x0 + 1.0f * cellSize};
  const float ys[2] = {y0 + 0.0f * cellSize, y0 + 1.0f * cellSize};
  const float zs[2] = {z0 + 0.0f * cellSize, z0 + 1.0f * cellSize};

  // Left unset except on cut edges (a Vec3 array would be cleared first).
  struct Point {
    float x, y, z;
  };
  Point positions[12];
  Point normals[12];
  auto point = [](const Vec3& v) { return Point{v.x, v.y, v.z}; };
  for (uint32_t edges = static_cast<uint32_t>(cutEdges); edges != 0; edges &= edges - 1) {
    const int32_t e = std::countr_zero(edges);
    const int32_t c1 = kCubeEdgeCorners[e][0];
    const int32_t c2 = kCubeEdgeCorners[e][1];
    const GridSample& s1 = origin[cornerOffsets_[c1]];
    const GridSample& s2 = origin[cornerOffsets_[c2]];
    const Point p1{xs[kCornerBits[c1][0]], ys[kCornerBits[c1][1]], zs[kCornerBits[c1][2]]};
    const Point p2{xs[kCornerBits[c2][0]], ys[kCornerBits[c2][1]], zs[kCornerBits[c2][2]]};
    // interpolateEdge, step for step.
    crossing(isoLevel, s1.value, s2.value, p1, point(s1.normal), p2, point(s2.normal), positions[e], normals[e]);
  }

  const int32_t* row = kTriangleTable[index];
  for (int32_t entry = 0; row[entry] != -1; entry += 3) {
    if (mesh.vertexCount > vertexCapacity_ - 3 || mesh.faceCount >= faceCapacity_) return false;
    MeshFace& face = mesh.faces[mesh.faceCount];
    for (int32_t m = 0; m < 3; ++m) {
      RenderVertex& vertex = mesh.vertices[mesh.vertexCount];
      const Point& position = positions[row[entry + m]];
      const Point& normal = normals[row[entry + m]];
      vertex.position = Vec3{position.x, position.y, position.z};
      vertex.normal = Vec3{normal.x, normal.y, normal.z};
      face.indices[m] = mesh.vertexCount;
      ++mesh.vertexCount;
    }
    ++mesh.faceCount;
  }
  return true;
}

void IsoSurface::buildMeshFrom(bool bitsFilled) {
  mesh.vertexCount = 0;
  mesh.faceCount = 0;
  if (!samples) return;

  const int32_t n = cellsPerAxis;
  if (n <= 0) return;
  const int32_t perAxis = samplesPerAxis();
  for (int32_t c = 0; c < 8; ++c) {
    cornerOffsets_[c] = sampleIndex(kCornerBits[c][0], kCornerBits[c][1], kCornerBits[c][2]);
  }

  const uint64_t* const below = belowRows_.get();
  if (below == nullptr) {  // rows too long for a word of bits: each cell classified by its values
    for (int32_t i = 0; i < n; ++i) {
      for (int32_t j = 0; j < n; ++j) {
        for (int32_t k = 0; k < n; ++k) {
          const GridSample* origin = &samples[sampleIndex(i, j, k)];
          int32_t index = 0;
          for (int32_t c = 0; c < 8; ++c) {
            if (origin[cornerOffsets_[c]].value < isoLevel) index |= 1 << c;
          }
          if (kEdgeTable[index] != 0 && !appendCell(i, j, k, index)) return;
        }
      }
    }
    return;
  }

  if (!bitsFilled) markBelow();
  // Most cells lie wholly inside or outside. For each row of cells along x, the cells with
  // corners on both sides of the level, from the bits of its four sample rows; then turned
  // into one word per (i, j) with bit k set, to walk the cells in their order (x slowest,
  // z fastest).
  uint64_t* const cut = cutCells_.get();
  for (int32_t c = 0; c < n * n; ++c) cut[c] = 0;
  const uint64_t cellMask = (uint64_t{1} << n) - 1;  // n <= 63
  for (int32_t k = 0; k < n; ++k) {
    for (int32_t j = 0; j < n; ++j) {
      const uint64_t* rows = &below[k * perAxis + j];
      const uint64_t any = rows[0] | rows[1] | rows[perAxis] | rows[perAxis + 1];
      const uint64_t all = rows[0] & rows[1] & rows[perAxis] & rows[perAxis + 1];
      for (uint64_t cells = (any | (any >> 1)) & ~(all & (all >> 1)) & cellMask; cells != 0; cells &= cells - 1) {
        cut[std::countr_zero(cells) * n + j] |= uint64_t{1} << k;
      }
    }
  }
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      for (uint64_t cells = cut[i * n + j]; cells != 0; cells &= cells - 1) {
        const int32_t k = std::countr_zero(cells);
        const uint64_t* rows = &below[k * perAxis + j];
        // Bits dx + 2 dy + 4 dz of the corners, then in the corner numbering of the tables.
        const uint32_t grid = static_cast<uint32_t>(((rows[0] >> i) & 3u) | (((rows[1] >> i) & 3u) << 2) |
                                                    (((rows[perAxis] >> i) & 3u) << 4) |
                                                    (((rows[perAxis + 1] >> i) & 3u) << 6));
        const int32_t index = static_cast<int32_t>((grid & 0x33u) | ((grid & 0x44u) << 1) | ((grid & 0x88u) >> 1));
        if (!appendCell(i, j, k, index)) return;
      }
    }
  }
}

}  // namespace orvanta
