#include "engine/depth_buffer.h"

#include <algorithm>
#include <cstddef>
#include <memory>

namespace orvanta {

DepthBuffer gDepthBuffer;

namespace {
std::unique_ptr<int32_t[]>& depthStorage() {
  static std::unique_ptr<int32_t[]> storage;
  return storage;
}
}  // namespace

void createDepthBuffer(int32_t width, int32_t height) {
  const size_t count = static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0));
  depthStorage().reset(new int32_t[count == 0 ? 1 : count]());
  gDepthBuffer.values = depthStorage().get();
  gDepthBuffer.width = width;
  gDepthBuffer.height = height;
}

void clearDepthBuffer() {
  if (gDepthBuffer.values == nullptr) return;
  std::fill_n(gDepthBuffer.values, static_cast<size_t>(gDepthBuffer.width) * gDepthBuffer.height, 0);
}

}  // namespace orvanta
