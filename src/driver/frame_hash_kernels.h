#pragma once
// The FNV-1a kernels behind FrameHashBatch: several hash chains advanced side by side, since
// each chain is a run of dependent multiplies. A chain's state is its 64-bit hash so far, so a
// frame can be hashed a part at a time.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"

namespace orvanta::kernels {

inline constexpr uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ULL;
inline constexpr uint64_t kFnvPrime = 0x100000001b3ULL;

// One byte into the hash.
inline uint64_t fnvStep(uint64_t hash, uint32_t byte) { return (hash ^ byte) * kFnvPrime; }

// Four chains, each advanced over pixelCount words from its own start; `hashes` holds their
// states on entry and on return.
void advanceFourReference(const uint32_t* const (&words)[4], size_t pixelCount, uint64_t (&hashes)[4]);

#if ORVANTA_X86_AVX2
// The stretch the Avx2 chains advance by at a time: 128 bytes.
inline constexpr size_t kAvx2BlockPixels = 32;

// Thirty-two chains, each advanced over blocks * kAvx2BlockPixels words from its own start, in
// two groups of sixteen 16-bit lanes: only the hashes' low bytes are walked as chains, each
// step an xor and a multiply by the prime's low byte; the rest of each hash is a weighted sum
// of the differences those xors make, taken in word multiplies. The two groups' chains
// overlap, and each block's sums are taken while the next block is walked, so the walk's
// multiplies do not wait. Only when cpu::hasAvx2().
void advanceThirtyTwoAvx2(const uint32_t* const (&words)[32], size_t blocks, uint64_t (&hashes)[32]);
#endif

}  // namespace orvanta::kernels
