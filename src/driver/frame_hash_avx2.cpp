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

// Byte t of eight pixels of each of sixteen chains' words, the chains in order: 16 bytes at
// out + 32 (t mod 16) + 16 (t / 16).
ORVANTA_TARGET_AVX2 inline void byteColumns(const uint32_t* const* words, size_t at, uint8_t* out) {
  __m256i rows[16];
#pragma GCC unroll 16
  for (int f = 0; f < 16; ++f) rows[f] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words[f] + at));
  // Each 128-bit half on its own: bytes, then words, double words and quad words of chain pairs.
  __m256i low[8], high[8];
#pragma GCC unroll 8
  for (int p = 0; p < 8; ++p) {
    low[p] = _mm256_unpacklo_epi8(rows[2 * p], rows[2 * p + 1]);
    high[p] = _mm256_unpackhi_epi8(rows[2 * p], rows[2 * p + 1]);
  }
  __m256i fours[4][4];  // [chains 4q ...][bytes 4k ... 4k + 3]
#pragma GCC unroll 4
  for (int q = 0; q < 4; ++q) {
    fours[q][0] = _mm256_unpacklo_epi16(low[2 * q], low[2 * q + 1]);
    fours[q][1] = _mm256_unpackhi_epi16(low[2 * q], low[2 * q + 1]);
    fours[q][2] = _mm256_unpacklo_epi16(high[2 * q], high[2 * q + 1]);
    fours[q][3] = _mm256_unpackhi_epi16(high[2 * q], high[2 * q + 1]);
  }
  __m256i eights[2][8];  // [chains 8s ...][bytes 2o, 2o + 1]
#pragma GCC unroll 2
  for (int s = 0; s < 2; ++s) {
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
      eights[s][2 * k] = _mm256_unpacklo_epi32(fours[2 * s][k], fours[2 * s + 1][k]);
      eights[s][2 * k + 1] = _mm256_unpackhi_epi32(fours[2 * s][k], fours[2 * s + 1][k]);
    }
  }
#pragma GCC unroll 8
  for (int o = 0; o < 8; ++o) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(out + 32 * (2 * o)), _mm256_unpacklo_epi64(eights[0][o], eights[1][o]));
    _mm256_store_si256(reinterpret_cast<__m256i*>(out + 32 * (2 * o + 1)),
                       _mm256_unpackhi_epi64(eights[0][o], eights[1][o]));
  }
}

// Sums per limb of one group's block: chains 0-3 and 8-11 in [0], 4-7 and 12-15 in [1], as the
// word unpacks lay them out.
struct LimbSums {
  __m256i half[2][4];
};

ORVANTA_TARGET_AVX2 inline void clear(LimbSums& sums) {
  for (auto& half : sums.half) {
    for (__m256i& sum : half) sum = _mm256_setzero_si256();
  }
}

// Adds the differences of two neighbouring steps of one group, unpacked into pairs, weighted
// for the block's pair p.
ORVANTA_TARGET_AVX2 inline void addPair(LimbSums& sums, __m256i first, __m256i second, int p) {
  const LimbPair* pair = kWeights.pairs[p];
#pragma GCC unroll 4
  for (int limb = 0; limb < 4; ++limb) {
    const __m256i weight = _mm256_load_si256(reinterpret_cast<const __m256i*>(pair[limb].lanes));
    sums.half[0][limb] = _mm256_add_epi32(sums.half[0][limb], _mm256_madd_epi16(first, weight));
    sums.half[1][limb] = _mm256_add_epi32(sums.half[1][limb], _mm256_madd_epi16(second, weight));
  }
}

// hash' = P^kBlockBytes hash + the block's weighted sum, for the group's sixteen chains.
ORVANTA_TARGET_AVX2 inline void foldBlock(const LimbSums& sums, uint64_t* hashes) {
  alignas(32) int32_t limbSums[2][4][8];
  for (int half = 0; half < 2; ++half) {
    for (int limb = 0; limb < 4; ++limb) {
      _mm256_store_si256(reinterpret_cast<__m256i*>(limbSums[half][limb]), sums.half[half][limb]);
    }
  }
  for (int f = 0; f < 16; ++f) {
    const int32_t* lane = &limbSums[(f >> 2) & 1][0][(f & 3) + 4 * (f >> 3)];
    uint64_t block = 0;
    for (int limb = 0; limb < 4; ++limb) {
      block += static_cast<uint64_t>(static_cast<int64_t>(lane[8 * limb])) << (16 * limb);
    }
    hashes[f] = hashes[f] * kWeights.blockPower + block;
  }
}

// A column's sixteen bytes, one per 16-bit lane.
ORVANTA_TARGET_AVX2 inline __m256i widenedColumn(const uint8_t* column) {
  return _mm256_cvtepu8_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(column)));
}

// The low bytes of sixteen hashes, one per 16-bit lane.
ORVANTA_TARGET_AVX2 inline __m256i lowBytesOf(const uint64_t* hashes) {
  alignas(32) uint16_t low[16];
  for (int k = 0; k < 16; ++k) low[k] = static_cast<uint16_t>(hashes[k] & 0xFFu);
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(low));
}

}  // namespace

ORVANTA_TARGET_AVX2 void advanceThirtyTwoAvx2(const uint32_t* const (&words)[32], size_t blocks,
                                              uint64_t (&hashes)[32]) {
  constexpr int kChunks = kBlockBytes / 32;
  constexpr int kPairs = kBlockBytes / 2;
  // Each group's low bytes, one chain per word; the words' high bytes are left to wander,
  // since a low byte's product and difference depend on low bytes only.
  __m256i lowA = lowBytesOf(hashes);
  __m256i lowB = lowBytesOf(hashes + 16);
  const __m256i lowPrime = _mm256_set1_epi16(static_cast<short>(kFnvPrime & 0xFFu));
  alignas(32) uint8_t columnsA[kChunks * 512];
  alignas(32) uint8_t columnsB[kChunks * 512];
  alignas(32) __m256i pairsB[kPairs][2];
  for (size_t b = 0; b < blocks; ++b) {
    const size_t at = b * kAvx2BlockPixels;
#pragma GCC unroll 4
    for (int chunk = 0; chunk < kChunks; ++chunk) {
      byteColumns(words, at + 8 * chunk, columnsA + 512 * chunk);
      byteColumns(words + 16, at + 8 * chunk, columnsB + 512 * chunk);
    }
    // Both chains step by step. Group A's differences are summed as they come; there are not
    // registers enough for group B's sums as well, so its differences wait in pairsB.
    LimbSums sumsA;
    clear(sumsA);
    for (int chunk = 0; chunk < kChunks; ++chunk) {
#pragma GCC unroll 16
      for (int t = 0; t < 32; t += 2) {
        __m256i diffsA[2];
        __m256i diffsB[2];
#pragma GCC unroll 2
        for (int u = 0; u < 2; ++u) {
          const size_t column = 512 * chunk + 32 * ((t + u) & 15) + 16 * ((t + u) >> 4);
          const __m256i bytesA = widenedColumn(columnsA + column);
          const __m256i bytesB = widenedColumn(columnsB + column);
          const __m256i mixedA = _mm256_xor_si256(lowA, bytesA);
          const __m256i mixedB = _mm256_xor_si256(lowB, bytesB);
          diffsA[u] = _mm256_sub_epi16(mixedA, lowA);  // the high bytes cancel
          diffsB[u] = _mm256_sub_epi16(mixedB, lowB);
          lowA = _mm256_mullo_epi16(mixedA, lowPrime);
          lowB = _mm256_mullo_epi16(mixedB, lowPrime);
        }
        const int p = (32 * chunk + t) / 2;
        addPair(sumsA, _mm256_unpacklo_epi16(diffsA[0], diffsA[1]), _mm256_unpackhi_epi16(diffsA[0], diffsA[1]), p);
        _mm256_store_si256(&pairsB[p][0], _mm256_unpacklo_epi16(diffsB[0], diffsB[1]));
        _mm256_store_si256(&pairsB[p][1], _mm256_unpackhi_epi16(diffsB[0], diffsB[1]));
      }
    }
    foldBlock(sumsA, hashes);
    LimbSums sumsB;
    clear(sumsB);
#pragma GCC unroll 8
    for (int p = 0; p < kPairs; ++p) {
      addPair(sumsB, _mm256_load_si256(&pairsB[p][0]), _mm256_load_si256(&pairsB[p][1]), p);
    }
    foldBlock(sumsB, hashes + 16);
  }
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
