#include "capture/yuv420.h"

namespace orvanta {
namespace {

struct Rgb {
  int red;
  int green;
  int blue;
};

Rgb channels(uint32_t pixel) {
  return {static_cast<int>((pixel >> 16) & 0xFFu), static_cast<int>((pixel >> 8) & 0xFFu),
          static_cast<int>(pixel & 0xFFu)};
}

// BT.601 in limited range: luma 16 to 235, the differences 16 to 240 around 128; the
// weights are the exact ones scaled by 2^16 and rounded, each result rounded to nearest.
constexpr int kHalf = 1 << 15;
uint8_t luma(const Rgb& c) {
  return static_cast<uint8_t>((16829 * c.red + 33039 * c.green + 6416 * c.blue + (16 << 16) + kHalf) >> 16);
}
uint8_t blueDifference(const Rgb& c) {
  return static_cast<uint8_t>((-9714 * c.red - 19071 * c.green + 28784 * c.blue + (128 << 16) + kHalf) >> 16);
}
uint8_t redDifference(const Rgb& c) {
  return static_cast<uint8_t>((28784 * c.red - 24103 * c.green - 4681 * c.blue + (128 << 16) + kHalf) >> 16);
}

}  // namespace

bool hasYuv420Layout(int32_t width, int32_t height) {
  return width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0;
}

size_t yuv420Bytes(int32_t width, int32_t height) {
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  return pixels + pixels / 2;
}

void toYuv420(const uint32_t* pixels, int32_t width, int32_t height, uint8_t* out) {
  const size_t w = static_cast<size_t>(width);
  const size_t h = static_cast<size_t>(height);
  uint8_t* y = out;
  uint8_t* u = out + w * h;
  uint8_t* v = u + (w / 2) * (h / 2);
  for (size_t i = 0; i < w * h; ++i) y[i] = luma(channels(pixels[i]));
  for (size_t row = 0; row < h; row += 2) {
    const uint32_t* top = pixels + row * w;
    const uint32_t* bottom = top + w;
    for (size_t x = 0; x < w; x += 2) {
      const Rgb a = channels(top[x]), b = channels(top[x + 1]), c = channels(bottom[x]), d = channels(bottom[x + 1]);
      const Rgb mean{(a.red + b.red + c.red + d.red + 2) >> 2, (a.green + b.green + c.green + d.green + 2) >> 2,
                     (a.blue + b.blue + c.blue + d.blue + 2) >> 2};
      *u++ = blueDifference(mean);
      *v++ = redDifference(mean);
    }
  }
}

}  // namespace orvanta
