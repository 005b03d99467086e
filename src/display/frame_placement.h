#pragma once
// Where the frame goes on a screen or window of a given size: the largest whole-number scale
// that fits (at least 1), centred, the rest black.

#include <cstdint>

namespace orvanta {

struct FramePlacement {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t scale = 1;
};

FramePlacement placeFrame(int32_t outputWidth, int32_t outputHeight, int32_t frameWidth, int32_t frameHeight);

}  // namespace orvanta
