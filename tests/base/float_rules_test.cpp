// The number rules every target must keep: float-to-int as x86 converts, and no fused
// multiply-add. Runs on x86 and, under emulation, on ARM (where the hardware conversion
// saturates and the compiler would otherwise fuse).

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "base/truncate.h"

namespace orvanta {
namespace {

// Through memory, so that the conversions happen at run time on the target's instructions.
template <typename T>
T opaque(T value) {
  volatile T stored = value;
  return stored;
}

TEST(Truncation, TowardsZeroInRangeAndInt32MinOutsideIt) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const struct {
    float in;
    int32_t out;
  } floats[] = {
      {2.9f, 2},
      {-2.9f, -2},
      {-0.5f, 0},
      {1e-40f, 0},                        // a subnormal
      {2147483520.0f, 2147483520},        // the largest float below 2^31
      {-2147483648.0f, INT32_MIN},        // -2^31 itself is in range
      {2147483648.0f, INT32_MIN},         // 2^31: one past the top
      {-2147483904.0f, INT32_MIN},        // the float below -2^31
      {3e9f, INT32_MIN},
      {-3e9f, INT32_MIN},
      {kInf, INT32_MIN},
      {-kInf, INT32_MIN},
      {std::numeric_limits<float>::quiet_NaN(), INT32_MIN},
      {-std::numeric_limits<float>::quiet_NaN(), INT32_MIN},
  };
  for (const auto& c : floats) EXPECT_EQ(truncToInt32(opaque(c.in)), c.out) << c.in;

  const struct {
    double in;
    int32_t out;
  } doubles[] = {
      {2147483647.9, 2147483647},
      {-2147483648.9, INT32_MIN},  // truncates to -2^31, in range
      {2147483648.0, INT32_MIN},
      {-2147483649.0, INT32_MIN},
      {1e300, INT32_MIN},
      {std::numeric_limits<double>::quiet_NaN(), INT32_MIN},
  };
  for (const auto& c : doubles) EXPECT_EQ(truncToInt32(opaque(c.in)), c.out) << c.in;
}

// a * b rounds to 1 + 2^-11 in single precision; a fused a * b - c would keep the 2^-24.
TEST(FloatRules, MultiplyAndAddAreRoundedApart) {
  const float a = opaque(1.0f + 1.0f / 4096.0f);
  const float c = opaque(1.0f + 1.0f / 2048.0f);
  EXPECT_EQ(a * a - c, 0.0f);
  const double x = opaque(1.0 + 1.0 / 134217728.0);  // 1 + 2^-27: x * x rounds off 2^-54
  const double y = opaque(1.0 + 1.0 / 67108864.0);
  EXPECT_EQ(x * x - y, 0.0);
}

}  // namespace
}  // namespace orvanta
