#include "iso/iso_surface.h"

#include <cmath>

#include "iso/marching_cubes_tables.h"

namespace orvanta {

void IsoSurface::init(float level, int32_t cells, int32_t size) {
  isoLevel = level;
  cellsPerAxis = cells < 0 ? 0 : cells;
  cellSize = static_cast<float>(size);
  const int32_t perAxis = samplesPerAxis();
  const size_t sampleCount = static_cast<size_t>(perAxis) * static_cast<size_t>(perAxis) * static_cast<size_t>(perAxis);
  samples = std::make_unique<GridSample[]>(sampleCount);
  triangleCount = 0;
  triangles = std::make_unique<IsoTriangle[]>(kMaxIsoTriangles);
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
  if (perAxis <= 64) belowRows_ = std::make_unique<uint64_t[]>(static_cast<size_t>(perAxis) * static_cast<size_t>(perAxis));
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

GridSample IsoSurface::interpolateEdge(float level, const GridSample& p1, const GridSample& p2) {
  const float f1 = p1.value;
  const float f2 = p2.value;
  if (std::fabs(level - f1) < kInterpEpsilon) return p1;
  if (std::fabs(level - f2) < kInterpEpsilon) return p2;
  if (std::fabs(f1 - f2) < kInterpEpsilon) return p1;
  const float mu = (level - f1) / (f2 - f1);
  GridSample point;
  point.position.x = p1.position.x + mu * (p2.position.x - p1.position.x);
  point.position.y = p1.position.y + mu * (p2.position.y - p1.position.y);
  point.position.z = p1.position.z + mu * (p2.position.z - p1.position.z);
  point.normal.x = p1.normal.x + mu * (p2.normal.x - p1.normal.x);
  point.normal.y = p1.normal.y + mu * (p2.normal.y - p1.normal.y);
  point.normal.z = p1.normal.z + mu * (p2.normal.z - p1.normal.z);
  return point;
}

namespace {

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
  fillGrid();
  buildMesh();
}

void IsoSurface::buildMesh() {
  mesh.vertexCount = 0;
  mesh.faceCount = 0;
  if (!samples || !triangles) return;

  const int32_t n = cellsPerAxis;
  if (n <= 0) return;
  const int32_t perAxis = samplesPerAxis();
  uint64_t* below = belowRows_.get();
  if (below != nullptr) {
    for (int32_t k = 0; k <= n; ++k) {
      for (int32_t j = 0; j <= n; ++j) {
        const GridSample* row = &samples[sampleIndex(0, j, k)];
        uint64_t bits = 0;
        for (int32_t i = 0; i <= n; ++i) bits |= static_cast<uint64_t>(row[i].value < isoLevel) << i;
        below[k * perAxis + j] = bits;
      }
    }
  }

  // Offsets of the eight corners from a cell's origin sample.
  int32_t cornerOffsets[8];
  for (int32_t c = 0; c < 8; ++c) {
    cornerOffsets[c] = sampleIndex(static_cast<int32_t>(kCubeCornerOffsets[c][0]),
                                   static_cast<int32_t>(kCubeCornerOffsets[c][1]),
                                   static_cast<int32_t>(kCubeCornerOffsets[c][2]));
  }

  GridSample corners[8];
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      for (int32_t k = 0; k < n; ++k) {
        // Most cells lie wholly inside or outside: find them before gathering anything.
        bool cut;
        if (below != nullptr) {
          const uint64_t* rows = &below[k * perAxis + j];
          const uint64_t corners8 = ((rows[0] >> i) & 3u) | (((rows[1] >> i) & 3u) << 2) |
                                    (((rows[perAxis] >> i) & 3u) << 4) | (((rows[perAxis + 1] >> i) & 3u) << 6);
          cut = corners8 != 0 && corners8 != 0xFF;
        } else {
          const GridSample* origin = &samples[sampleIndex(i, j, k)];
          int32_t index = 0;
          for (int32_t c = 0; c < 8; ++c) {
            if (origin[cornerOffsets[c]].value < isoLevel) index |= 1 << c;
          }
          cut = kEdgeTable[index] != 0;
        }
        if (!cut) {
          triangleCount = 0;
          continue;
        }

        gatherCell(corners, i, j, k);
        triangleCount = polygoniseCell(corners, isoLevel, triangles.get());
        for (int32_t t = 0; t < triangleCount; ++t) {
          if (mesh.vertexCount > vertexCapacity_ - 3 || mesh.faceCount >= faceCapacity_) return;  // full
          const IsoTriangle& triangle = triangles[t];
          MeshFace& face = mesh.faces[mesh.faceCount];
          for (int32_t m = 0; m < 3; ++m) {
            RenderVertex& vertex = mesh.vertices[mesh.vertexCount];
            vertex.position = triangle.positions[m];
            vertex.normal = triangle.normals[m];
            face.indices[m] = mesh.vertexCount;
            ++mesh.vertexCount;
          }
          ++mesh.faceCount;
        }
      }
    }
  }
}

}  // namespace orvanta
