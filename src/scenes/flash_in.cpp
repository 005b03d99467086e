#include "base/truncate.h"
#include "scenes/toolkit.h"

namespace orvanta {

void FlashIn::seek(float startCs, float timeCs) {
  armed = !(timeCs >= startCs);
  startTime = armed ? 0.0f : startCs;
  duration = armed ? 0.0f : 60.0f;
}

void applyFlashIn(FlashIn& flash, Image& frame, float t) {
  if (flash.armed) {  // the scene's first frame
    flash.startTime = t;
    flash.duration = 60.0f;
    flash.armed = false;
  }
  const float elapsed = t - flash.startTime;
  if (!(elapsed < flash.duration)) return;
  const int32_t level = truncToInt32(255.0 - static_cast<double>(elapsed / flash.duration) * 255.0);
  frame.fadeTo(static_cast<uint32_t>(level), kWhite);
}

}  // namespace orvanta
