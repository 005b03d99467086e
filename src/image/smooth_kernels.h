#pragma once
// The four-neighbour smoothing sweep, in place over the array taken as rows of 320: left and
// up are values this sweep has already written, right and down are not yet rewritten.

#include <cstddef>
#include <cstdint>

namespace orvanta::kernels {

// Visits indices 321 ... count - 321; nothing when the array is too short for that.
void smoothNeighboursPlain(uint32_t* pixels, size_t count);
void smoothNeighboursSse2(uint32_t* pixels, size_t count);
// Only when hasAvx2().
void smoothNeighboursAvx2(uint32_t* pixels, size_t count);

}  // namespace orvanta::kernels
