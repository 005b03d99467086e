#pragma once
// Vectorised evaluation of the sample grid: several samples at once, each lane doing exactly
// the float operations of the per-sample formula (same order of additions, IEEE division
// and square root), so the grid is bit-identical to IsoSurface::fillGridReference.

#include <cstdint>

#include "base/cpu_features.h"
#include "iso/field_source.h"
#include "iso/iso_surface.h"

namespace orvanta::field_grid {

struct Job {
  const FieldSource* const* sources = nullptr;
  int32_t sourceCount = 0;
  int32_t samplesPerAxis = 0;
  float cellSize = 0.0f;
  float half = 0.0f;
  GridSample* samples = nullptr;
};

// Fills the grid of `surface` with the given version (tests compare them). Returns false,
// leaving the grid as it was, when the version cannot run here.
bool fillGridWith(IsoSurface& surface, cpu::VectorPath path);

#if ORVANTA_X86_VECTORS
void fillSse2(const Job& job);
// Only when cpu::hasAvx2().
void fillAvx2(const Job& job);
#endif

}  // namespace orvanta::field_grid
