#include "datagen/plasma.h"

#include <cmath>

namespace orvanta::datagen {

ArgbPicture buildPlasma() {
  ArgbPicture picture;
  picture.width = kPlasmaWidth;
  picture.height = kPlasmaHeight;
  picture.pixels.resize(static_cast<size_t>(kPlasmaWidth) * kPlasmaHeight);
  for (int32_t y = 0; y < kPlasmaHeight; ++y) {
    for (int32_t x = 0; x < kPlasmaWidth; ++x) {
      const double fx = x;
      const double fy = y;
      // Waves of 150 to 230 pixels: the grid samples a 230-pixel window every 10 pixels, so
      // it sees one or two crests, smoothly.
      const double dx = fx - 310.0;
      const double dy = fy - 250.0;
      const double value = (std::sin(fx / 30.0) + std::sin(fy / 23.0 + std::sin(fx / 61.0) * 1.7) +
                            std::sin((fx + fy) / 37.0) + std::sin(std::sqrt(dx * dx + dy * dy) / 27.0)) /
                           4.0;  // -1..1
      const double unit = 0.5 + 0.5 * value;
      const auto red = static_cast<uint32_t>(std::floor(unit * kPlasmaMaxRed + 0.5));
      // Green and blue only colour the picture for a viewer, in the show's teal.
      const auto green = static_cast<uint32_t>(std::floor(40.0 + 170.0 * unit * unit));
      const auto blue = static_cast<uint32_t>(std::floor(70.0 + 150.0 * unit));
      picture.pixels[static_cast<size_t>(y) * kPlasmaWidth + x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
    }
  }
  return picture;
}

}  // namespace orvanta::datagen
