#include "datagen/synth_delay.h"

#include <algorithm>

#include "datagen/synth_filter.h"

namespace orvanta::datagen {

StereoBuffer renderPingPongDelay(const std::vector<float>& send, const DelaySettings& settings) {
  StereoBuffer out(send.size());
  const size_t length = std::max<size_t>(1, secondsToFrames(settings.seconds));
  std::vector<float> lineLeft(length, 0.0f);
  std::vector<float> lineRight(length, 0.0f);
  OnePoleLowPass damping;
  damping.set(settings.dampingHz);
  size_t index = 0;
  for (size_t i = 0; i < send.size(); ++i) {
    const float left = lineLeft[index];
    const float right = lineRight[index];
    lineLeft[index] = send[i] + damping.process(right) * settings.feedback;
    lineRight[index] = left;
    out.left[i] = left;
    out.right[i] = right;
    if (++index == length) index = 0;
  }
  return out;
}

}  // namespace orvanta::datagen
