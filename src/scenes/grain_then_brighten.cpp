#include <algorithm>

#include "scenes/toolkit.h"

namespace orvanta {
namespace {

// A run of `count` pixels from `first` on, as a one-row image.
Image rowOf(uint32_t* first, size_t count) {
  Image row;
  row.width = static_cast<int32_t>(count);
  row.height = count != 0 ? 1 : 0;
  row.pixels = first;
  return row;
}

}  // namespace

void addNoiseThenBrighten(Image& frame, int amount, int brightenings, ShowRandom& random, const Image* mask) {
  // Blocks that stay in the first-level cache from the grain to the last brightening. Each
  // pixel's result depends only on itself, its mask pixel and its own draw, and the blocks
  // take their draws in order, so the words equal those of the separate passes.
  constexpr size_t kBlock = 1024;
  const size_t count = frame.pixelCount();
  const size_t masked = mask != nullptr ? std::min(mask->pixelCount(), count) : 0;
  for (size_t start = 0; start < count; start += kBlock) {
    Image block = rowOf(frame.pixels + start, std::min(kBlock, count - start));
    addNoise(block, amount, random);
    if (start < masked) rowOf(mask->pixels + start, std::min(kBlock, masked - start)).modulateInto(block);
    for (int k = 0; k < brightenings; ++k) block.brighten(255);
  }
}

}  // namespace orvanta
