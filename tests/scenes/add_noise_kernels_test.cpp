#include "scenes/add_noise_kernels.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "image/blend_kernels.h"

namespace orvanta {
namespace {

// The multiply-and-shift remainder against the division, over every draw, for the small
// divisors, those around each power of two and the largest.
TEST(NoiseDivisor, GivesTheRemainderOfEveryDraw) {
  std::vector<int> divisors;
  for (int d = 2; d <= 600; ++d) divisors.push_back(d);
  for (int power = 1 << 10; power <= 1 << 15; power <<= 1) {
    for (int d : {power - 1, power, power + 1, power + 7}) {
      if (d <= 32767) divisors.push_back(d);
    }
  }
  divisors.push_back(32767);
  for (int amount : divisors) {
    const kernels::NoiseDivisor d = kernels::NoiseDivisor::of(amount);
    ASSERT_LT(d.multiplier, 65536u) << amount;
    for (uint32_t draw = 0; draw < 32768; ++draw) {
      const uint32_t expected = draw % static_cast<uint32_t>(amount);
      ASSERT_EQ(d.grain(draw), expected < 255 ? expected : 255) << amount << " " << draw;
    }
  }
}

TEST(NoiseDivisor, AmountsWithoutDivision) {
  for (int amount : {0, 1, -1}) EXPECT_EQ(kernels::NoiseDivisor::of(amount).grain(12345), 0u) << amount;
  for (int amount : {32768, 100000, INT_MIN}) {
    EXPECT_EQ(kernels::NoiseDivisor::of(amount).grain(200), 200u) << amount;
    EXPECT_EQ(kernels::NoiseDivisor::of(amount).grain(20000), 255u) << amount;
  }
  EXPECT_EQ(kernels::NoiseDivisor::of(-30).grain(41), 11u);
}

TEST(AddNoiseKernels, SixteenAtATimeMatchesFourAtATime) {
  if (!kernels::hasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 generator(7);
  for (int amount : {2, 7, 10, 20, 30, 100, 255, 256, 1000, 32767, 32768, -30, 0, 1, -1, INT_MIN}) {
    for (size_t count : {size_t{0}, size_t{15}, size_t{16}, size_t{17}, size_t{333}, size_t{76800}}) {
      std::vector<uint32_t> plain(count);
      for (uint32_t& word : plain) word = static_cast<uint32_t>(generator());
      std::vector<uint32_t> fast = plain;
      const uint32_t state = static_cast<uint32_t>(generator());
      const uint32_t plainState = kernels::addNoiseSse2(plain.data(), count, amount, state);
      const uint32_t fastState = kernels::addNoiseAvx2(fast.data(), count, amount, state);
      ASSERT_EQ(fast, plain) << amount << " " << count;
      ASSERT_EQ(fastState, plainState) << amount << " " << count;
    }
  }
}

}  // namespace
}  // namespace orvanta
