#include "image/finish.h"

#include <algorithm>

#include "image/effects.h"
#include "image/finish_kernels.h"
#include "image/grain.h"
#include "image/image.h"

namespace orvanta {
namespace {

// A run of `count` words as a one-row image; the mask and overlay views are only read.
Image rowOf(const uint32_t* first, size_t count) {
  Image row;
  row.width = static_cast<int32_t>(count);
  row.height = count != 0 ? 1 : 0;
  row.pixels = const_cast<uint32_t*>(first);
  return row;
}

}  // namespace

void finishPixels(uint32_t* pixels, size_t count, const FinishPasses& passes, ShowRandom& random) {
#if ORVANTA_X86_AVX2
  if (cpu::hasAvx2()) {
    random.setState(kernels::finishAvx2(pixels, count, passes, random.state()));
    return;
  }
#endif
  // The passes one after the other, in blocks that stay in the first-level cache from the
  // grain to the overlay. Each pixel's result depends only on itself, its mask and overlay
  // words and its own draw, and the blocks take their draws in order.
  constexpr size_t kBlock = 1024;
  for (size_t start = 0; start < count; start += kBlock) {
    const size_t length = std::min(kBlock, count - start);
    Image block = rowOf(pixels + start, length);
    if (passes.grain) addNoise(block, passes.amount, random);
    if (passes.mask != nullptr) rowOf(passes.mask + start, length).modulateInto(block);
    for (int k = 0; k < passes.brightenings; ++k) block.brighten(kFullBrightening);
    if (passes.overlay != nullptr) blendImage(rowOf(passes.overlay + start, length), block);
  }
}

}  // namespace orvanta
