#include <algorithm>

#include "image/box_blur_kernels.h"

namespace orvanta::kernels {
namespace {

// One line of `length` pixels, `stride` words apart. The window is clipped at the line ends
// while the divisor stays 2r + 1, so the ends darken. Outputs at positions >= writable are
// computed but not stored.
void blurLine(const uint32_t* source, uint32_t* destination, int32_t length, ptrdiff_t stride,
              BoxWindow window, int32_t writable) {
  const int32_t r = static_cast<int32_t>(window.radius);
  uint32_t sums[4] = {0, 0, 0, 0};
  auto take = [&](int32_t at, bool entering) {
    const uint32_t word = source[at * stride];
    for (int byte = 0; byte < 4; ++byte) {
      const uint32_t value = (word >> (8 * byte)) & 0xFFu;
      sums[byte] = entering ? sums[byte] + value : sums[byte] - value;
    }
  };
  for (int32_t at = 0; at < r; ++at) take(at, true);
  for (int32_t x = 0; x < length; ++x) {
    if (x > r) take(x - r - 1, false);
    if (x + r < length) take(x + r, true);
    if (x >= writable) continue;
    uint32_t out = 0;
    for (int byte = 0; byte < 4; ++byte) out |= ((sums[byte] * window.weight) >> 16) << (8 * byte);
    destination[x * stride] = out;
  }
}

}  // namespace

BoxWindow boxWindow(uint32_t radius, int32_t lineLength) {
  if (radius >= static_cast<uint32_t>(lineLength)) radius = static_cast<uint32_t>(lineLength - 1);
  return BoxWindow{radius, 65536u / (2u * radius + 1u)};
}

int32_t writableRows(const Image& source, const Image& destination) {
  const size_t rows = destination.pixelCount() / static_cast<size_t>(source.width);
  return static_cast<int32_t>(std::min(rows, static_cast<size_t>(source.height)));
}

void blurHorizontalReference(Image& destination, const Image& source, uint32_t radius) {
  if (source.pixelCount() == 0 || destination.pixelCount() == 0) return;
  if (radius == 0) {
    copyImage(source, destination);  // radius 0 is an exact copy
    return;
  }
  const BoxWindow window = boxWindow(radius, source.width);
  const int32_t rows = writableRows(source, destination);
  for (int32_t y = 0; y < rows; ++y) {
    const size_t row = static_cast<size_t>(y) * static_cast<size_t>(source.width);
    blurLine(source.pixels + row, destination.pixels + row, source.width, 1, window, source.width);
  }
}

void blurVerticalReference(Image& destination, const Image& source, uint32_t radius) {
  if (source.pixelCount() == 0 || destination.pixelCount() == 0) return;
  if (radius == 0) {
    copyImage(source, destination);  // radius 0 is an exact copy
    return;
  }
  const BoxWindow window = boxWindow(radius, source.height);
  const int32_t rows = writableRows(source, destination);
  for (int32_t x = 0; x < source.width; ++x) {
    blurLine(source.pixels + x, destination.pixels + x, source.height, source.width, window, rows);
  }
}

void blurPairReference(Image& destination, Image& work, const Image& source, uint32_t verticalRadius,
                       uint32_t horizontalRadius) {
  blurVerticalReference(work, source, verticalRadius);
  blurHorizontalReference(destination, work, horizontalRadius);
}

}  // namespace orvanta::kernels
