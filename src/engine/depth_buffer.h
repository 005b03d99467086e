#pragma once
// One signed 32-bit inverse depth per frame pixel; larger is nearer, 0 means empty. The show
// owns one beside its frame and clears it before every scene call.

#include <cstdint>

#include "base/zeroed_array.h"

namespace orvanta {

class DepthBuffer {
 public:
  DepthBuffer() = default;
  // width x height zeros (none for a size that is not positive).
  DepthBuffer(int32_t width, int32_t height);

  void clear();

  int32_t* values = nullptr;
  int32_t width = 0;
  int32_t height = 0;

 private:
  ZeroedArray<int32_t> storage_;
};

}  // namespace orvanta
