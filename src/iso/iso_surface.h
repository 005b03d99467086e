#pragma once
// A surface of merging blobs: the field of a FieldSourceList sampled on a cubic grid centred
// on the origin, and turned into the triangles of a Mesh by marching cubes.

#include <cstdint>
#include <memory>

#include "base/math.h"
#include "engine/mesh.h"
#include "iso/field_source.h"

namespace orvanta {

inline constexpr int32_t kIsoMeshCapacity = 60000;
inline constexpr float kNormalStep = 0.01f;
inline constexpr float kInterpEpsilon = 0.00001f;

// Seven floats. In the grid only normal and value are written; position is set when the
// record serves as a cell corner.
struct GridSample {
  Vec3 position;
  Vec3 normal;       // unit normal of the field, pointing away from the sources
  float value = 0.0f;  // never negative in the grid
};
static_assert(sizeof(GridSample) == 7 * sizeof(float), "GridSample is seven floats");

struct IsoTriangle {
  Vec3 positions[3];
  Vec3 normals[3];
};
static_assert(sizeof(IsoTriangle) == 18 * sizeof(float), "IsoTriangle is eighteen floats");

class IsoSurface {
 public:
  float isoLevel = 0.0f;
  int32_t cellsPerAxis = 0;  // n; the grid has n + 1 samples per axis
  float cellSize = 0.0f;
  std::unique_ptr<GridSample[]> samples;  // (n + 1)^3, x fastest, then y, then z
  Mesh mesh;
  FieldSourceList sources;
  std::unique_ptr<int32_t[]> planeOffsets;  // k * (n + 1)^2
  std::unique_ptr<int32_t[]> rowOffsets;    // j * (n + 1)

  // Once, before anything else. A negative cell count is taken as 0.
  void init(float level, int32_t cells, int32_t size);

  // Field value (clamped at 0) of every sample, and the normal of every sample the mesh can
  // read: those ending a grid edge the level crosses (with vector paths; see fillGridWith).
  void fillGrid();
  // Every value and normal by the plain per-sample formula, one valueAt at a time; fillGrid
  // must match it bit for bit in what it fills.
  void fillGridReference();

  // Unit negative gradient by central differences; raw sums, not clamped.
  Vec3 fieldNormal(float x, float y, float z) const;

  void gatherCell(GridSample corners[8], int32_t i, int32_t j, int32_t k) const;
  static int32_t polygoniseCell(const GridSample corners[8], float level, IsoTriangle* out);
  static GridSample interpolateEdge(float level, const GridSample& p1, const GridSample& p2);

  // fillGrid, then the mesh rebuilt from the grid.
  void polygonise();
  // The mesh rebuilt from the grid as it stands: for every cell the level cuts, x slowest and
  // z fastest, the triangles polygoniseCell gives for the corners gatherCell gives, three
  // fresh vertices each. Stops appending when the mesh cannot take another triangle.
  void buildMesh();

  int32_t samplesPerAxis() const { return cellsPerAxis + 1; }
  int32_t sampleIndex(int32_t i, int32_t j, int32_t k) const { return planeOffsets[k] + rowOffsets[j] + i; }
  // World coordinate of sample number `index` along any axis.
  float sampleCoordinate(int32_t index) const { return static_cast<float>(index) * cellSize - halfExtent(); }
  float halfExtent() const { return static_cast<float>(cellsPerAxis) * cellSize * 0.5f; }

 private:
  // belowRows_ from the grid.
  void markBelow();
  // buildMesh, with belowRows_ already made from the grid when bitsFilled.
  void buildMeshFrom(bool bitsFilled);
  // Appends the triangles of cell (i, j, k) with cube index `index`; false when the mesh is full.
  bool appendCell(int32_t i, int32_t j, int32_t k, int32_t index);

  // One bit per sample along x, set when the sample lies below the level; row (j, k) at
  // k * (n + 1) + j. Only for grids of up to 64 samples per axis.
  std::unique_ptr<uint64_t[]> belowRows_;
  // With belowRows_: one bit per cell along z, set when the level cuts the cell; (i, j) at
  // i * n + j.
  std::unique_ptr<uint64_t[]> cutCells_;
  int32_t cornerOffsets_[8] = {};  // of the eight corners from a cell's origin sample
  int32_t vertexCapacity_ = 0;
  int32_t faceCapacity_ = 0;
};

}  // namespace orvanta
