#include "base/truncate.h"
#include "scenes/toolkit.h"

namespace orvanta {

void FlashIn::seek(float startCs, float timeCs) {
  armed = !(timeCs >= startCs);
  startTime = armed ? 0.0f : startCs;
  duration = armed ? 0.0f : 60.0f;
}

void startFlashIn(FlashIn& flash, float t) {
  if (!flash.armed) return;
  flash.startTime = t;
  flash.duration = 60.0f;
  flash.armed = false;
}

void applyFlashIn(FlashIn& flash, Image& frame, float t) {
  startFlashIn(flash, t);
  const float elapsed = t - flash.startTime;
  if (!(elapsed < flash.duration)) return;
  const int32_t level = truncToInt32(255.0 - static_cast<double>(elapsed / flash.duration) * 255.0);
  frame.fadeTo(static_cast<uint32_t>(level), kWhite);
}

}  // namespace orvanta
