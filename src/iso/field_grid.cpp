#include <bit>
#include <cmath>
#include <cstdint>

#include "iso/field_grid_kernels.h"
#include "iso/iso_surface.h"

namespace orvanta {

Vec3 IsoSurface::fieldNormal(float x, float y, float z) const {
  const float xPlus = sources.valueAt(x + kNormalStep, y, z);
  const float xMinus = sources.valueAt(x - kNormalStep, y, z);
  const float yPlus = sources.valueAt(x, y + kNormalStep, z);
  const float yMinus = sources.valueAt(x, y - kNormalStep, z);
  const float zPlus = sources.valueAt(x, y, z + kNormalStep);
  const float zMinus = sources.valueAt(x, y, z - kNormalStep);
  const float gx = xMinus - xPlus;
  const float gy = yMinus - yPlus;
  const float gz = zMinus - zPlus;
  const float scale = 1.0f / std::sqrt(gx * gx + gy * gy + gz * gz);
  return Vec3{gx * scale, gy * scale, gz * scale};
}

void IsoSurface::fillGridReference() {
  if (!samples) return;
  const int32_t n = cellsPerAxis;
  for (int32_t i = 0; i <= n; ++i) {
    const float x = sampleCoordinate(i);
    for (int32_t j = 0; j <= n; ++j) {
      const float y = sampleCoordinate(j);
      for (int32_t k = 0; k <= n; ++k) {
        const float z = sampleCoordinate(k);
        GridSample& sample = samples[sampleIndex(i, j, k)];
        const float value = sources.valueAt(x, y, z);
        sample.value = value >= 0.0f ? value : 0.0f;  // negative or not a number: 0
        sample.normal = fieldNormal(x, y, z);
      }
    }
  }
}

void IsoSurface::fillGrid() { field_grid::fillGridWith(*this, cpu::bestPath()); }

namespace field_grid {
#if ORVANTA_X86_VECTORS
namespace {

// Samples handed to the normal kernels at a time.
constexpr int32_t kRun = 1024;

struct Run {
  int32_t index[kRun];
  int32_t i[kRun];
  int32_t j[kRun];
  int32_t k[kRun];
  int32_t count = 0;

  template <typename Visit>
  void add(int32_t at, int32_t i0, int32_t j0, int32_t k0, Visit& visit) {
    index[count] = at, i[count] = i0, j[count] = j0, k[count] = k0;
    if (++count == kRun) flush(visit);
  }
  template <typename Visit>
  void flush(Visit& visit) {
    if (count == 0) return;
    visit(Listed{index, i, j, k, count});
    count = 0;
  }
};

// Calls visit(listed) for runs of the samples whose normals the mesh reads (see
// fillGridWith), in grid order, from the bits of the samples below the level (see valuesSse2).
template <typename Visit>
void forEachEdgeSample(const IsoSurface& surface, const uint64_t* below, Visit visit) {
  const int32_t perAxis = surface.samplesPerAxis();
  Run run;
  if (perAxis > 64) {
    for (int32_t k = 0; k < perAxis; ++k) {
      for (int32_t j = 0; j < perAxis; ++j) {
        for (int32_t i = 0; i < perAxis; ++i) run.add(surface.sampleIndex(i, j, k), i, j, k, visit);
      }
    }
    run.flush(visit);
    return;
  }
  const uint64_t inside = perAxis == 64 ? ~uint64_t{0} : (uint64_t{1} << perAxis) - 1;
  for (int32_t k = 0; k < perAxis; ++k) {
    const uint64_t* here = below + k * perAxis;
    const uint64_t* before = k > 0 ? here - perAxis : nullptr;
    const uint64_t* after = k + 1 < perAxis ? here + perAxis : nullptr;
    for (int32_t j = 0; j < perAxis; ++j) {
      const uint64_t bits = here[j];
      // A neighbour along x, y or z on the other side of the level.
      uint64_t edge = ((bits ^ (bits << 1)) & ~uint64_t{1}) | ((bits ^ (bits >> 1)) & (inside >> 1));
      if (j > 0) edge |= bits ^ here[j - 1];
      if (j + 1 < perAxis) edge |= bits ^ here[j + 1];
      if (before != nullptr) edge |= bits ^ before[j];
      if (after != nullptr) edge |= bits ^ after[j];
      edge &= inside;
      const int32_t rowStart = surface.sampleIndex(0, j, k);
      for (; edge != 0; edge &= edge - 1) {
        const int32_t i = std::countr_zero(edge);
        run.add(rowStart + i, i, j, k, visit);
      }
    }
  }
  run.flush(visit);
}

}  // namespace
#endif

bool fillGridWith(IsoSurface& surface, cpu::VectorPath path, uint64_t* below) {
  if (!cpu::runs(path)) return false;
  const int32_t perAxis = surface.samplesPerAxis();
  if (perAxis > 64 || !surface.samples) below = nullptr;
  if (path == cpu::VectorPath::kReference || !surface.samples) {
    surface.fillGridReference();
    for (int32_t k = 0; below != nullptr && k < perAxis; ++k) {
      for (int32_t j = 0; j < perAxis; ++j) {
        uint64_t bits = 0;
        for (int32_t i = 0; i < perAxis; ++i) {
          bits |= static_cast<uint64_t>(surface.samples[surface.sampleIndex(i, j, k)].value < surface.isoLevel) << i;
        }
        below[k * perAxis + j] = bits;
      }
    }
    return true;
  }
#if ORVANTA_X86_VECTORS
  Job job;
  job.sources = surface.sources.data();
  job.sourceCount = surface.sources.count;
  job.samplesPerAxis = surface.samplesPerAxis();
  job.cellSize = surface.cellSize;
  job.half = surface.halfExtent();
  job.samples = surface.samples.get();
  uint64_t bits[64 * 64];
  if (below == nullptr && perAxis <= 64) below = bits;
  const bool wide = ORVANTA_X86_AVX2 && path == cpu::VectorPath::kAvx2;
#if ORVANTA_X86_AVX2
  if (wide) {
    valuesAvx2(job, below, surface.isoLevel);
    forEachEdgeSample(surface, below, [&](const Listed& listed) { normalsAvx2(job, listed); });
  }
#endif
  if (!wide) {
    valuesSse2(job, below, surface.isoLevel);
    forEachEdgeSample(surface, below, [&](const Listed& listed) { normalsSse2(job, listed); });
  }
#endif
  return true;
}

}  // namespace field_grid
}  // namespace orvanta
