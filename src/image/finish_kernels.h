#pragma once
// The finishing sweep with every pass on the same register, each pixel read and written once.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"
#include "image/finish.h"

namespace orvanta::kernels {

#if ORVANTA_X86_AVX2
// Eight pixels at a time; returns the generator's state after the grain's draws. Only when
// cpu::hasAvx2().
uint32_t finishAvx2(uint32_t* pixels, size_t count, const FinishPasses& passes, uint32_t state);
#endif

}  // namespace orvanta::kernels
