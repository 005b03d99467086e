#pragma once
// Vectorised evaluation of the sample grid: several samples at once, each lane doing exactly
// the float operations of the per-sample formula (same order of additions, IEEE division
// and square root), so every value and every normal computed is bit-identical to
// IsoSurface::fillGridReference.

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

// Samples by their index in the grid and their coordinates i, j, k.
struct Listed {
  const int32_t* index = nullptr;
  const int32_t* i = nullptr;
  const int32_t* j = nullptr;
  const int32_t* k = nullptr;
  int32_t count = 0;
};

// Fills the grid of `surface` with the given version (tests compare them). Returns false,
// leaving the grid as it was, when the version cannot run here. The vector versions fill
// every value but only the normals the mesh reads: those of the samples at either end of a
// grid edge that crosses the level (one end below it, the other not), or of every sample when
// the grid has more than 64 samples per axis. The other normals keep what they held. With
// `below`, a grid and at most 64 samples per axis, bit i of below[k * n + j] is set afterwards
// when sample (i, j, k) lies below the surface's level (n samples per axis).
bool fillGridWith(IsoSurface& surface, cpu::VectorPath path, uint64_t* below = nullptr);

#if ORVANTA_X86_VECTORS
// Every sample's value; with `below` (at most 64 samples per axis), bit i of below[k * n + j]
// set when sample (i, j, k) lies below `level`, n samples per axis.
void valuesSse2(const Job& job, uint64_t* below, float level);
// The normals of the listed samples.
void normalsSse2(const Job& job, const Listed& listed);
// Only when cpu::hasAvx2().
void valuesAvx2(const Job& job, uint64_t* below, float level);
void normalsAvx2(const Job& job, const Listed& listed);
#endif

}  // namespace orvanta::field_grid
