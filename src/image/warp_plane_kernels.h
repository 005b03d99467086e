#pragma once
// One row of a warped plane: 320 texels of a 256 x 256 texture along a 16.16 line, both
// coordinates wrapping at 256; keyed rows skip texels whose red byte is 255.

#include <cstdint>

#include "base/cpu_features.h"

namespace orvanta::kernels {

// A row's line through the texture: 16.16 start and step of each coordinate.
struct TextureLine {
  uint32_t u, v, du, dv;
};

void warpRowReference(uint32_t* out, const uint32_t* texels, uint32_t u, uint32_t v, uint32_t du, uint32_t dv, bool keyed);
// The row of `under`, then the keyed row of `over` on it, in one pass: each pixel is the
// texel of over unless that is a hole, then the texel of under.
void warpRowPairReference(uint32_t* out, const uint32_t* under, TextureLine a, const uint32_t* over, TextureLine b);
#if ORVANTA_X86_VECTORS
// Eight texels at a time, loaded the way `loads` says; only when cpu::hasAvx2().
void warpRowAvx2(uint32_t* out, const uint32_t* texels, uint32_t u, uint32_t v, uint32_t du, uint32_t dv, bool keyed,
                 cpu::LaneLoads loads = cpu::fasterLaneLoads());
void warpRowPairAvx2(uint32_t* out, const uint32_t* under, TextureLine a, const uint32_t* over, TextureLine b,
                     cpu::LaneLoads loads = cpu::fasterLaneLoads());
#endif

}  // namespace orvanta::kernels
