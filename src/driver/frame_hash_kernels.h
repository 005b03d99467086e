#pragma once
// The FNV-1a kernels behind FrameHashBatch: several frames hashed side by side, since each
// frame's hash is one chain of dependent multiplies.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"

namespace orvanta::kernels {

inline constexpr uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ULL;
inline constexpr uint64_t kFnvPrime = 0x100000001b3ULL;

// One byte into the hash.
inline uint64_t fnvStep(uint64_t hash, uint32_t byte) { return (hash ^ byte) * kFnvPrime; }

// Four frames of pixelCount words, one multiply chain each.
void hashFourReference(const uint32_t* const (&frames)[4], size_t pixelCount, uint64_t (&hashes)[4]);

#if ORVANTA_X86_AVX2
// Sixteen frames, one per 16-bit lane: only the hashes' low bytes form a chain, each step an
// xor and a multiply by the prime's low byte; the rest of each hash is a weighted sum of the
// differences those xors make, taken in word multiplies. Only when cpu::hasAvx2().
void hashSixteenAvx2(const uint32_t* const (&frames)[16], size_t pixelCount, uint64_t (&hashes)[16]);
#endif

}  // namespace orvanta::kernels
