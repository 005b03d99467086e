#pragma once
// The whole-image blends as loops over raw pixel runs. The plain versions state the per-byte
// formulas; the vector versions must give the same words.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"
#include "image/image.h"

namespace orvanta::kernels {

// Per byte: ((p * (255 - L)) >> 8) + ((c * L) >> 8), L = level & 0xFF.
void fadeToReference(uint32_t* pixels, size_t count, uint32_t level, uint32_t colour);
// Red, green, blue: min(255, c + ((c * K) >> 8)), K = amount & 0xFF; alpha kept.
void brightenReference(uint32_t* pixels, size_t count, uint32_t amount);

// With K = kFullBrightening (255), (c * 255) >> 8 is c - 1 for c >= 1 and 0 for c = 0, so the
// brightened byte is the saturating sum of c and the saturating difference c - 1: the vector
// versions subtract kFullBrighteningLess (1 from each colour byte, all of alpha, which then
// gains nothing) and add. The same difference is the blend of a pixel under a source of
// alpha 255.
inline constexpr uint32_t kFullBrighteningLess = 0xFF010101u;
// Per byte: target = (target * source) >> 8.
void modulateReference(const uint32_t* source, uint32_t* target, size_t count);
// Red, green, blue: ((s * (255 - a)) >> 8) + ((d * a) >> 8), a = source alpha; alpha 0.
void blendOverReference(const uint32_t* source, uint32_t* destination, size_t count);

#if ORVANTA_X86_VECTORS
void fadeToSse2(uint32_t* pixels, size_t count, uint32_t level, uint32_t colour);
void brightenSse2(uint32_t* pixels, size_t count, uint32_t amount);
void modulateSse2(const uint32_t* source, uint32_t* target, size_t count);
void blendOverSse2(const uint32_t* source, uint32_t* destination, size_t count);

// Eight pixels at a time; only when cpu::hasAvx2().
void fadeToAvx2(uint32_t* pixels, size_t count, uint32_t level, uint32_t colour);
void brightenAvx2(uint32_t* pixels, size_t count, uint32_t amount);
void modulateAvx2(const uint32_t* source, uint32_t* target, size_t count);
void blendOverAvx2(const uint32_t* source, uint32_t* destination, size_t count);
#endif

}  // namespace orvanta::kernels
