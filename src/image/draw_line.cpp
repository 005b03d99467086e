#include <cstdlib>

#include "image/effects.h"

namespace orvanta {

void drawLine(Image& image, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
  const int32_t dx = x1 - x0;
  const int32_t dy = y1 - y0;
  const int32_t sx = dx >= 0 ? 1 : -1;
  const int32_t sy = dy >= 0 ? 1 : -1;
  const int32_t adx = std::abs(dx);
  const int32_t ady = std::abs(dy);
  const bool xMajor = adx > ady;  // a tie goes to y
  const int32_t major = xMajor ? adx : ady;
  const int32_t minor = xMajor ? ady : adx;
  int32_t error = major >> 1;
  int32_t x = x0;
  int32_t y = y0;
  for (int32_t step = 0; step <= major; ++step) {
    // Lines are not clipped by the show, but a point outside the image is never written.
    if (image.pixels != nullptr && x >= 0 && y >= 0 && x < image.width && y < image.height) {
      image.pixels[y * image.width + x] = colour;
    }
    error += minor;
    if (error >= major) {
      error -= major;
      x += sx;
      y += sy;
    } else if (xMajor) {
      x += sx;
    } else {
      y += sy;
    }
  }
}

}  // namespace orvanta
