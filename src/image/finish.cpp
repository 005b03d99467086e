#include "image/finish.h"

#include <algorithm>

#include "image/effects.h"
#include "image/finish_kernels.h"
#include "image/grain.h"
#include "image/image.h"

namespace orvanta {
namespace {

// The mask and overlay are only read; pixelRun takes a mutable array for the images it makes.
Image readOnlyRun(const uint32_t* first, size_t count) { return pixelRun(const_cast<uint32_t*>(first), count); }

// The passes one after the other, in blocks that stay in the first-level cache from the grain
// to the overlay. Each pixel's result depends only on itself, its mask and overlay words and
// its own draw, and the blocks take their draws in order.
void passAfterPass(uint32_t* pixels, size_t count, const FinishPasses& passes, ShowRandom& random) {
  constexpr size_t kBlock = 1024;
  for (size_t start = 0; start < count; start += kBlock) {
    const size_t length = std::min(kBlock, count - start);
    Image block = pixelRun(pixels + start, length);
    if (passes.grain) addNoise(block, passes.amount, random);
    if (passes.mask != nullptr) readOnlyRun(passes.mask + start, length).modulateInto(block);
    for (int k = 0; k < passes.brightenings; ++k) block.brighten(kFullBrightening);
    if (passes.overlay != nullptr) blendImage(readOnlyRun(passes.overlay + start, length), block);
  }
}

}  // namespace

void finishPixels(uint32_t* pixels, size_t count, const FinishPasses& passes, ShowRandom& random) {
  size_t done = 0;
#if ORVANTA_X86_AVX2
  if (cpu::hasAvx2()) {
    uint32_t state = random.state();
    done = kernels::finishAvx2(pixels, count, passes, state);
    random.setState(state);
  }
#endif
  // What the sweep did not take (a run's last pixels), pass after pass.
  FinishPasses rest = passes;
  if (rest.mask != nullptr) rest.mask += done;
  if (rest.overlay != nullptr) rest.overlay += done;
  passAfterPass(pixels + done, count - done, rest, random);
}

}  // namespace orvanta
