#pragma once
// Vectorised evaluation of the sample grid: several samples at once, each lane doing exactly
// the float operations of the per-sample formula (same order of additions, IEEE division
// and square root), so the grid is bit-identical to IsoSurface::fillGridReference.

#include <cstdint>

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

enum class Kernel { kReference, kSse2, kAvx };

bool kernelAvailable(Kernel kernel);
// The fastest kernel this processor runs.
Kernel bestKernel();

// Fills the grid of `surface` with the given kernel (tests compare them). Returns false,
// leaving the grid as it was, when the kernel cannot run here.
bool fillGridWith(IsoSurface& surface, Kernel kernel);

// Both return false (and do nothing) where the kernel is not built for this target.
bool fillSse2(const Job& job);
bool fillAvx(const Job& job);

}  // namespace orvanta::field_grid
