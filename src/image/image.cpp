#include "image/image.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace orvanta {
namespace {

// Owns every pixel array until exit (or an explicit release). Shows on other threads load and
// release their pictures through it too.
struct PixelStore {
  std::mutex lock;
  std::unordered_map<uint32_t*, std::unique_ptr<uint32_t[]>> arrays;
};

PixelStore& pixelStore() {
  static PixelStore store;
  return store;
}

}  // namespace

uint32_t* allocatePixels(size_t count) {
  std::unique_ptr<uint32_t[]> array(new uint32_t[count == 0 ? 1 : count]());
  uint32_t* raw = array.get();
  PixelStore& store = pixelStore();
  const std::lock_guard<std::mutex> held(store.lock);
  store.arrays.emplace(raw, std::move(array));
  return raw;
}

void releasePixels(Image& image) {
  if (image.pixels != nullptr) {
    PixelStore& store = pixelStore();
    const std::lock_guard<std::mutex> held(store.lock);
    store.arrays.erase(image.pixels);
  }
  image.pixels = nullptr;
  image.width = 0;
  image.height = 0;
}

void Image::create(int32_t newWidth, int32_t newHeight) {
  width = newWidth;
  height = newHeight;
  pixels = allocatePixels(static_cast<size_t>(std::max(newWidth, 0)) *
                          static_cast<size_t>(std::max(newHeight, 0)));
}

void Image::clear() { fill(0); }

void Image::fill(uint32_t colour) {
  const size_t count = pixelCount();
  std::fill(pixels, pixels + count, colour);
}

uint32_t packArgb(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  return ((alpha & 0xFFu) << 24) | ((red & 0xFFu) << 16) | ((green & 0xFFu) << 8) | (blue & 0xFFu);
}

void copyImage(const Image& source, Image& destination) {
  const size_t count = std::min(source.pixelCount(), destination.pixelCount());
  if (count != 0 && destination.pixels != source.pixels) {
    std::memcpy(destination.pixels, source.pixels, count * sizeof(uint32_t));
  }
}

}  // namespace orvanta
