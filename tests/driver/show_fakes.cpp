#include "driver/show_fakes.h"

#include <algorithm>

#include "driver/depth_buffer.h"
#include "image/image.h"

namespace orvanta::testing {

int CallLog::count(const std::string& call) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

bool FakeDisplay::open(const char* title, int32_t width, int32_t height, bool windowed) {
  log_.add("display.open " + std::string(title) + " " + std::to_string(width) + "x" + std::to_string(height) +
           (windowed ? " windowed" : " full screen"));
  return openSucceeds;
}

DisplayEvent FakeDisplay::takeEvent() {
  log_.add("event");
  return nextEvent_ < events.size() ? events[nextEvent_++] : DisplayEvent::None;
}

void FakeDisplay::present(const uint32_t* pixels, const FrameInfo& frame) {
  log_.add("present");
  PresentedFrame copy;
  copy.info = frame;
  if (keepPixels) copy.pixels.assign(pixels, pixels + static_cast<size_t>(kFrameWidth) * kFrameHeight);
  const size_t depthCount = static_cast<size_t>(gDepthBuffer.width) * gDepthBuffer.height;
  copy.depthBufferClear = gDepthBuffer.values != nullptr &&
                          std::all_of(gDepthBuffer.values, gDepthBuffer.values + depthCount,
                                      [](int32_t value) { return value == 0; });
  presented.push_back(std::move(copy));
}

float ScriptedTimer::tick() {
  log_.add("tick");
  const float delta = deltas_[std::min(next_, deltas_.size() - 1)];
  ++next_;
  return delta;
}

}  // namespace orvanta::testing
