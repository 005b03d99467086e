#pragma once
// Float-to-integer conversion as the x86 instruction does it: truncation towards zero,
// and INT32_MIN for NaN or a value outside the int32 range (C++ leaves those undefined).

#include <cstdint>

namespace orvanta {

inline int32_t truncToInt32(double value) {
  if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int32_t>(value);
  return INT32_MIN;
}

inline int32_t truncToInt32(float value) { return truncToInt32(static_cast<double>(value)); }

}  // namespace orvanta
