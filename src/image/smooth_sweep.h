#pragma once
// The smoothing sweep with a pass of its own trailing it: every run of pixels the sweep will
// not read again goes to that pass while the run is still in the first-level cache, so a
// per-pixel pass after the smoothing costs no second trip over the frame.

#include <cstddef>

#include "image/image.h"

namespace orvanta {

// Smooths [from, to) of the sweep over rows of 320 (see smoothNeighbours); nothing for other
// widths.
void smoothNeighboursRange(Image& image, size_t from, size_t to);

// smoothNeighbours(image), then after(first, count) over every pixel in order, in runs: each
// run is handed on once the sweep has read it for the last time (as the pixel above one it
// rewrites, and as the carried left pixel), so the words equal those of the two passes one
// after the other.
template <typename After>
void smoothNeighboursThen(Image& image, After&& after) {
  constexpr size_t kRow = 320;
  constexpr size_t kChunk = 8 * kRow;
  const size_t count = image.pixelCount();
  if (image.width != static_cast<int32_t>(kRow)) {
    if (count != 0) after(size_t{0}, count);
    return;
  }
  size_t handed = 0;
  for (size_t swept = 0; swept < count;) {
    const size_t next = swept + kChunk < count ? swept + kChunk : count;
    smoothNeighboursRange(image, swept, next);
    swept = next;
    // Index j is read last as the pixel above j + 320 (the left pixel of the next range,
    // swept - 1, is later than that).
    const size_t done = swept == count ? count : (swept > kRow ? swept - kRow : 0);
    if (done > handed) {
      after(handed, done - handed);
      handed = done;
    }
  }
}

}  // namespace orvanta
