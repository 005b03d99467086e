#include "display/frame_placement.h"

#include <algorithm>

namespace orvanta {

FramePlacement placeFrame(int32_t outputWidth, int32_t outputHeight, int32_t frameWidth, int32_t frameHeight) {
  FramePlacement placement;
  if (frameWidth > 0 && frameHeight > 0) {
    placement.scale = std::max<int32_t>(1, std::min(outputWidth / frameWidth, outputHeight / frameHeight));
  }
  placement.width = frameWidth * placement.scale;
  placement.height = frameHeight * placement.scale;
  // An output smaller than the frame shows its middle (negative offsets); halves round down.
  placement.x = (outputWidth - placement.width) >> 1;
  placement.y = (outputHeight - placement.height) >> 1;
  return placement;
}

}  // namespace orvanta
