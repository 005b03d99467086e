#pragma once
// Counts how many numbers the show's generator produced between two of its states.

#include <cstdint>

#include "scenes/scene_random_state.h"

namespace orvanta::testing {

inline int64_t drawsBetween(uint32_t before, uint32_t after, int64_t limit = 1000000) {
  uint32_t state = before;
  for (int64_t count = 0; count <= limit; ++count) {
    if (state == after) return count;
    state = state * 214013u + 2531011u;
  }
  return -1;
}

}  // namespace orvanta::testing
