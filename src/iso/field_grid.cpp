#include <cmath>

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

bool fillGridWith(IsoSurface& surface, cpu::VectorPath path) {
  if (!cpu::runs(path)) return false;
  if (path == cpu::VectorPath::kReference || !surface.samples) {
    surface.fillGridReference();
    return true;
  }
  Job job;
  job.sources = surface.sources.data();
  job.sourceCount = surface.sources.count;
  job.samplesPerAxis = surface.samplesPerAxis();
  job.cellSize = surface.cellSize;
  job.half = surface.halfExtent();
  job.samples = surface.samples.get();
#if ORVANTA_X86_AVX2
  if (path == cpu::VectorPath::kAvx2) {
    fillAvx2(job);
    return true;
  }
#endif
#if ORVANTA_X86_VECTORS
  fillSse2(job);
#endif
  return true;
}

}  // namespace field_grid
}  // namespace orvanta
