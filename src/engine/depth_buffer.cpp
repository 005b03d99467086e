#include "engine/depth_buffer.h"

#include <algorithm>
#include <cstddef>

namespace orvanta {

DepthBuffer::DepthBuffer(int32_t newWidth, int32_t newHeight) {
  const size_t count = static_cast<size_t>(std::max(newWidth, 0)) * static_cast<size_t>(std::max(newHeight, 0));
  storage_ = makeZeroedArray<int32_t>(count);
  values = storage_.get();
  width = newWidth;
  height = newHeight;
}

void DepthBuffer::clear() {
  if (values == nullptr || width <= 0 || height <= 0) return;
  std::fill_n(values, static_cast<size_t>(width) * static_cast<size_t>(height), 0);
}

}  // namespace orvanta
