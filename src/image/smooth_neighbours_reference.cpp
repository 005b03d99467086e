#include "image/smooth_kernels.h"

namespace orvanta::kernels {

void smoothNeighboursReference(uint32_t* pixels, size_t count, size_t from, size_t to) {
  constexpr size_t kRow = 320;
  const SmoothRange range = smoothRange(count, from, to);
  if (range.first >= range.end) return;
  uint32_t left = pixels[range.first - 1];
  for (size_t i = range.first; i < range.end; ++i) {
    const uint32_t right = pixels[i + 1];
    const uint32_t up = pixels[i - kRow];
    const uint32_t down = pixels[i + kRow];
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t sum = ((left >> shift) & 0xFFu) + ((right >> shift) & 0xFFu) + ((up >> shift) & 0xFFu) +
                           ((down >> shift) & 0xFFu);
      out |= (sum >> 2) << shift;
    }
    pixels[i] = out;
    left = out;
  }
}

}  // namespace orvanta::kernels
