#pragma once
// The four-neighbour smoothing sweep, in place over the array taken as rows of 320: left and
// up are values this sweep has already written, right and down are not yet rewritten.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"

namespace orvanta::kernels {

// Visits indices 321 ... count - 321; nothing when the array is too short for that.
void smoothNeighboursReference(uint32_t* pixels, size_t count);
#if ORVANTA_X86_VECTORS
void smoothNeighboursSse2(uint32_t* pixels, size_t count);
// Only when cpu::hasAvx2().
void smoothNeighboursAvx2(uint32_t* pixels, size_t count);
#endif

}  // namespace orvanta::kernels
