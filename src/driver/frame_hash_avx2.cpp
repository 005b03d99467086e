#include "driver/frame_hash_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

namespace orvanta::kernels {
namespace {

// Why only the low byte has to be walked: a step xors a byte into the low byte alone, which
// adds d = (low ^ byte) - low to the hash, and the multiply makes the next low byte from this
// low byte only: low' = (low ^ byte) x 0xB3 mod 256. So after N bytes
//   hash = P^N hash_0 + sum over n of P^(N - n) d_n   (mod 2^64),
// a sum that needs no order. Per block of kBlockBytes bytes of a chain:
//   hash' = P^kBlockBytes hash + sum over t of P^(kBlockBytes - t) d_t,
// the weights split into four signed 16-bit limbs so that the sums are word multiplies into
// 32-bit lanes: |d| <= 255 and |limb| <= 32768 keep 128 of them within int32.
constexpr int kBlockBytes = 4 * static_cast<int>(kAvx2BlockPixels);

constexpr uint64_t primePower(int exponent) {
  uint64_t power = 1;
  for (int k = 0; k < exponent; ++k) power *= kFnvPrime;
  return power;
}

// Each 32-bit word holds the limbs of two neighbouring bytes' weights, as the word multiply
// pairs them, in all eight lanes.
struct alignas(32) LimbPair {
  uint32_t lanes[8];
};
struct BlockWeights {
  LimbPair pairs[kBlockBytes / 2][4];
  uint64_t blockPower;
};

constexpr BlockWeights makeBlockWeights() {
  BlockWeights weights{};
  for (int t = 0; t < kBlockBytes; ++t) {
    uint64_t rest = primePower(kBlockBytes - t);
    for (int limb = 0; limb < 4; ++limb) {
      const uint64_t digit = rest & 0xFFFFu;
      const int64_t balanced = digit >= 0x8000u ? static_cast<int64_t>(digit) - 0x10000 : static_cast<int64_t>(digit);
      rest = (rest - static_cast<uint64_t>(balanced)) >> 16;
      const uint32_t half = static_cast<uint32_t>(static_cast<uint16_t>(balanced)) << (16 * (t & 1));
      for (uint32_t& lane : weights.pairs[t / 2][limb].lanes) lane |= half;
    }
  }
  weights.blockPower = primePower(kBlockBytes);
  return weights;
}

constexpr BlockWeights kWeights = makeBlockWeights();

// The bytes of four pixels of sixteen chains' words, one step per register, chain c in 16-bit
// lane c: steps[s] holds byte s of each chain's sixteen. Chains c and c + 8 share a register,
// one per 128-bit half, so three rounds of unpacks within the halves transpose eight chains
// by sixteen bytes in both at once, and a last unpack with zero widens each step.
ORVANTA_TARGET_AVX2 inline void stepBytes(const uint32_t* const* words, size_t at, __m256i* steps) {
  __m256i rows[8];
#pragma GCC unroll 8
  for (int c = 0; c < 8; ++c) {
    rows[c] = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(words[c + 8] + at),
                                  reinterpret_cast<const __m128i*>(words[c] + at));
  }
  __m256i bytes[4][2];  // chains 2p and 2p + 1: bytes 0-7, 8-15
#pragma GCC unroll 4
  for (int p = 0; p < 4; ++p) {
    bytes[p][0] = _mm256_unpacklo_epi8(rows[2 * p], rows[2 * p + 1]);
    bytes[p][1] = _mm256_unpackhi_epi8(rows[2 * p], rows[2 * p + 1]);
  }
  __m256i fours[2][4];  // chains 4q to 4q + 3: bytes 4k to 4k + 3
#pragma GCC unroll 2
  for (int q = 0; q < 2; ++q) {
#pragma GCC unroll 2
    for (int h = 0; h < 2; ++h) {
      fours[q][2 * h] = _mm256_unpacklo_epi16(bytes[2 * q][h], bytes[2 * q + 1][h]);
      fours[q][2 * h + 1] = _mm256_unpackhi_epi16(bytes[2 * q][h], bytes[2 * q + 1][h]);
    }
  }
  const __m256i zero = _mm256_setzero_si256();
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) {
    // Bytes 4k, 4k + 1 of all eight chains, then 4k + 2, 4k + 3.
    const __m256i evens = _mm256_unpacklo_epi32(fours[0][k], fours[1][k]);
    const __m256i odds = _mm256_unpackhi_epi32(fours[0][k], fours[1][k]);
    _mm256_store_si256(steps + 4 * k, _mm256_unpacklo_epi8(evens, zero));
    _mm256_store_si256(steps + 4 * k + 1, _mm256_unpackhi_epi8(evens, zero));
    _mm256_store_si256(steps + 4 * k + 2, _mm256_unpacklo_epi8(odds, zero));
    _mm256_store_si256(steps + 4 * k + 3, _mm256_unpackhi_epi8(odds, zero));
  }
}

// A block's differences, both groups, each pair of neighbouring steps unpacked into the
// two halves of the word unpacks: [group][pair][half], half 0 holding chains 0-3 and 8-11.
struct BlockDiffs {
  __m256i pairs[2][kBlockBytes / 2][2];
};

// sum += lanes, kept a running sum: as a plain add the compiler reassociates the sums of an
// unrolled loop into a tree, whose many products in flight spill to memory.
ORVANTA_TARGET_AVX2 inline void addInto(__m256i& sum, __m256i lanes) {
  __asm__("vpaddd %1, %0, %0" : "+x"(sum) : "x"(lanes));
}

// A quarter is one group's chains of one half: q / 2 is the group, q % 2 the half. Its limb
// sums fit four registers, beside the walk's. Its pair k is at quarterPairs(...)[2 k].
ORVANTA_TARGET_AVX2 inline const __m256i* quarterPairs(const BlockDiffs& diffs, int quarter) {
  return &diffs.pairs[quarter >> 1][0][quarter & 1];
}

// Adds `count` of a quarter's pairs, from pair `first` on, weighted, to its limb sums.
ORVANTA_TARGET_AVX2 inline void addPairs(__m256i (&sums)[4], const __m256i* pairs, int first, int count) {
  for (int k = first; k < first + count; ++k) {
    const __m256i pair = _mm256_load_si256(pairs + 2 * k);
#pragma GCC unroll 4
    for (int limb = 0; limb < 4; ++limb) {
      const __m256i weight = _mm256_load_si256(reinterpret_cast<const __m256i*>(kWeights.pairs[k][limb].lanes));
      addInto(sums[limb], _mm256_madd_epi16(pair, weight));
    }
  }
}

// hash' = P^kBlockBytes hash + the block's weighted sum, for the quarter's eight chains: lane k
// of a half's sums belongs to chain 4 half + k % 4 + 8 (k / 4) of its group.
ORVANTA_TARGET_AVX2 inline void foldQuarter(const __m256i (&sums)[4], int quarter, uint64_t* hashes) {
  alignas(32) int32_t limbSums[4][8];
  for (int limb = 0; limb < 4; ++limb) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(limbSums[limb]), sums[limb]);
  }
  uint64_t* group = hashes + 16 * (quarter >> 1);
  for (int k = 0; k < 8; ++k) {
    uint64_t block = 0;
    for (int limb = 0; limb < 4; ++limb) {
      block += static_cast<uint64_t>(static_cast<int64_t>(limbSums[limb][k])) << (16 * limb);
    }
    uint64_t& hash = group[4 * (quarter & 1) + (k & 3) + 8 * (k >> 2)];
    hash = hash * kWeights.blockPower + block;
  }
}

// The low bytes of sixteen hashes, one per 16-bit lane.
ORVANTA_TARGET_AVX2 inline __m256i lowBytesOf(const uint64_t* hashes) {
  alignas(32) uint16_t low[16];
  for (int k = 0; k < 16; ++k) low[k] = static_cast<uint16_t>(hashes[k] & 0xFFu);
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(low));
}

// The low bytes of both groups, carried from step to step.
struct LowBytes {
  __m256i a;
  __m256i b;
};

// One pass over a block's steps: when kWalk, the walk of the block's steps in stepsA and
// stepsB (both groups' chains overlapping), its differences kept in `walked`; when kSum, the
// sums of the block before, from `summed`, folded into the hashes. The walk is a chain of
// latencies with few registers live, so the sums of the block before fill its waits: quarter
// q of them goes beside the walk's chunk q, four pairs per pair of steps.
template <bool kWalk, bool kSum>
ORVANTA_TARGET_AVX2 inline void passBlock(const __m256i* stepsA, const __m256i* stepsB, LowBytes& low,
                                          BlockDiffs& walked, const BlockDiffs& summed, uint64_t* hashes) {
  constexpr int kChunks = kBlockBytes / 32;
  static_assert(kChunks == 4 && kBlockBytes / 2 == 4 * 16, "a quarter's sums go beside each chunk");
  const __m256i lowPrime = _mm256_set1_epi16(static_cast<short>(kFnvPrime & 0xFFu));
  __m256i lowA = low.a;
  __m256i lowB = low.b;
  for (int chunk = 0; chunk < kChunks; ++chunk) {
    const __m256i* chunkA = stepsA + 32 * chunk;
    const __m256i* chunkB = stepsB + 32 * chunk;
    __m256i(*pairsA)[2] = walked.pairs[0] + 16 * chunk;
    __m256i(*pairsB)[2] = walked.pairs[1] + 16 * chunk;
    const __m256i* quarter = quarterPairs(summed, chunk);
    __m256i sums[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                       _mm256_setzero_si256()};
#pragma GCC unroll 16
    for (int t = 0; t < 32; t += 2) {
      if constexpr (kWalk) {
        __m256i diffsA[2];
        __m256i diffsB[2];
#pragma GCC unroll 2
        for (int u = 0; u < 2; ++u) {
          const __m256i mixedA = _mm256_xor_si256(lowA, _mm256_load_si256(chunkA + t + u));
          const __m256i mixedB = _mm256_xor_si256(lowB, _mm256_load_si256(chunkB + t + u));
          diffsA[u] = _mm256_sub_epi16(mixedA, lowA);  // the high bytes cancel
          diffsB[u] = _mm256_sub_epi16(mixedB, lowB);
          lowA = _mm256_mullo_epi16(mixedA, lowPrime);
          lowB = _mm256_mullo_epi16(mixedB, lowPrime);
        }
        __m256i(&pairA)[2] = pairsA[t / 2];
        __m256i(&pairB)[2] = pairsB[t / 2];
        _mm256_store_si256(&pairA[0], _mm256_unpacklo_epi16(diffsA[0], diffsA[1]));
        _mm256_store_si256(&pairA[1], _mm256_unpackhi_epi16(diffsA[0], diffsA[1]));
        _mm256_store_si256(&pairB[0], _mm256_unpacklo_epi16(diffsB[0], diffsB[1]));
        _mm256_store_si256(&pairB[1], _mm256_unpackhi_epi16(diffsB[0], diffsB[1]));
      }
      if constexpr (kSum) addPairs(sums, quarter, 2 * t, 4);
    }
    if constexpr (kSum) foldQuarter(sums, chunk, hashes);
  }
  low = LowBytes{lowA, lowB};
}

}  // namespace

ORVANTA_TARGET_AVX2 void advanceThirtyTwoAvx2(const uint32_t* const (&words)[32], size_t blocks,
                                              uint64_t (&hashes)[32]) {
  if (blocks == 0) return;
  // Each group's low bytes, one chain per word; the words' high bytes are left to wander,
  // since a low byte's product and difference depend on low bytes only.
  LowBytes low{lowBytesOf(hashes), lowBytesOf(hashes + 16)};
  __m256i stepsA[kBlockBytes];
  __m256i stepsB[kBlockBytes];
  BlockDiffs diffs[2];
  // Block b is walked while block b - 1 is summed: the first block only walked, the last only
  // summed.
  for (size_t b = 0; b < blocks; ++b) {
    const size_t at = b * kAvx2BlockPixels;
    for (int unit = 0; unit < kBlockBytes / 16; ++unit) {
      stepBytes(words, at + 4 * unit, stepsA + 16 * unit);
      stepBytes(words + 16, at + 4 * unit, stepsB + 16 * unit);
    }
    BlockDiffs& walked = diffs[b & 1];
    if (b == 0) {
      passBlock<true, false>(stepsA, stepsB, low, walked, diffs[1], hashes);
    } else {
      passBlock<true, true>(stepsA, stepsB, low, walked, diffs[(b + 1) & 1], hashes);
    }
  }
  passBlock<false, true>(stepsA, stepsB, low, diffs[blocks & 1], diffs[(blocks + 1) & 1], hashes);
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
