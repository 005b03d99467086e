#pragma once
// The finishing sweep with every pass on the same register, each pixel read and written once.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"
#include "image/finish.h"

namespace orvanta::kernels {

#if ORVANTA_X86_AVX2
// Eight pixels at a time over the run's whole groups of 32 (every pixel when there is no
// grain, but the last few); returns how many pixels it took, and advances `state` by their
// draws. Takes nothing when more than two brightenings are asked for. Only when
// cpu::hasAvx2().
size_t finishAvx2(uint32_t* pixels, size_t count, const FinishPasses& passes, uint32_t& state);
#endif

}  // namespace orvanta::kernels
