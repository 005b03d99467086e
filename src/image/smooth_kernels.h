#pragma once
// The four-neighbour smoothing sweep, in place over the array taken as rows of 320: left and
// up are values this sweep has already written, right and down are not yet rewritten.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"

namespace orvanta::kernels {

// Visits the indices from `from` up to `to` (excluded) that lie in 321 ... count - 321;
// nothing when the array is too short for that. A sweep may be cut into consecutive ranges:
// each range takes its carried left pixel from the array, where the previous one wrote it.
void smoothNeighboursReference(uint32_t* pixels, size_t count, size_t from, size_t to);
#if ORVANTA_X86_VECTORS
void smoothNeighboursSse2(uint32_t* pixels, size_t count, size_t from, size_t to);
// Only when cpu::hasAvx2().
void smoothNeighboursAvx2(uint32_t* pixels, size_t count, size_t from, size_t to);
#endif

// The indices [first, end) of the sweep that lie in [from, to); first >= end when none.
struct SmoothRange {
  size_t first;
  size_t end;
};
inline SmoothRange smoothRange(size_t count, size_t from, size_t to) {
  constexpr size_t kRow = 320;
  if (count < 2 * kRow + 2) return {1, 0};
  return {from > kRow + 1 ? from : kRow + 1, to < count - kRow ? to : count - kRow};
}

}  // namespace orvanta::kernels
