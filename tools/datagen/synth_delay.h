#pragma once
// A ping-pong echo: each repeat crosses to the other side and loses some treble.

#include <vector>

#include "datagen/synth_buffer.h"

namespace orvanta::datagen {

struct DelaySettings {
  double seconds = 0.35;
  float feedback = 0.45f;
  double dampingHz = 4500.0;
};

// Returns only the echoes of the mono `send`, as long as `send`; the first echo is on the left.
StereoBuffer renderPingPongDelay(const std::vector<float>& send, const DelaySettings& settings);

}  // namespace orvanta::datagen
