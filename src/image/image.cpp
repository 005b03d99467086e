#include "image/image.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/zeroed_array.h"

namespace orvanta {

uint32_t* allocatePixels(Image& image, size_t count) {
  // Not make_shared<T[]>: the web build's C++ library lacks it.
  // From calloc: a picture's pixels are written once by its reader, not cleared first.
  image.storage.reset(makeZeroedArray<uint32_t>(count).release(), FreeMemory{});
  image.pixels = image.storage.get();
  return image.pixels;
}

void releasePixels(Image& image) {
  image.storage.reset();
  image.pixels = nullptr;
  image.width = 0;
  image.height = 0;
}

void Image::create(int32_t newWidth, int32_t newHeight) {
  width = newWidth;
  height = newHeight;
  allocatePixels(*this, static_cast<size_t>(std::max(newWidth, 0)) * static_cast<size_t>(std::max(newHeight, 0)));
}

void Image::clear() { fill(0); }

void Image::fill(uint32_t colour) {
  const size_t count = pixelCount();
  std::fill(pixels, pixels + count, colour);
}

uint32_t packArgb(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  return ((alpha & 0xFFu) << 24) | ((red & 0xFFu) << 16) | ((green & 0xFFu) << 8) | (blue & 0xFFu);
}

Image pixelRun(uint32_t* first, size_t count) {
  Image run;
  run.width = static_cast<int32_t>(count);
  run.height = count != 0 ? 1 : 0;
  run.pixels = first;
  return run;
}

void copyImage(const Image& source, Image& destination) {
  const size_t count = std::min(source.pixelCount(), destination.pixelCount());
  if (count != 0 && destination.pixels != source.pixels) {
    std::memcpy(destination.pixels, source.pixels, count * sizeof(uint32_t));
  }
}

}  // namespace orvanta
