#pragma once
// Counting the show generator's draws, and scenes loaded from pictures the tests write.

#include <cstdint>
#include <functional>

#include "base/random.h"
#include "image/test_pictures.h"

namespace orvanta::testing {

// How many numbers the generator produced between two of its states (-1: more than limit).
inline int64_t drawsBetween(uint32_t before, uint32_t after, int64_t limit = 1000000) {
  uint32_t state = before;
  for (int64_t count = 0; count <= limit; ++count) {
    if (state == after) return count;
    state = state * 214013u + 2531011u;
  }
  return -1;
}

inline int64_t drawsDuring(const ShowRandom& random, const std::function<void()>& work) {
  const uint32_t before = random.state();
  work();
  return drawsBetween(before, random.state());
}

// The value of the n-th draw (from 1) of a sequence starting at `state`, worked out here.
inline int drawAfter(uint32_t state, int64_t n) {
  for (int64_t i = 0; i < n; ++i) state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFF);
}

// A data folder of the test's own, removed with the object.
using DataFolder = ScratchFolder;

}  // namespace orvanta::testing
