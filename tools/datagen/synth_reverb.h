#pragma once
// A plate-like stereo reverb: parallel damped combs into series all-passes, the right channel tuned slightly
// apart from the left so the tail is wide.

#include <vector>

#include "datagen/synth_buffer.h"

namespace orvanta::datagen {

struct ReverbSettings {
  float roomSize = 0.84f;   // comb feedback: longer tails as it nears 1
  float damping = 0.3f;     // high-frequency loss per pass
  double preDelay = 0.02;   // seconds before the tail starts
  double lowCutHz = 180.0;  // keeps the bass out of the tail
  float wet = 1.0f;
};

// Returns only the reverberated signal of the mono `send`, as long as `send`.
StereoBuffer renderReverb(const std::vector<float>& send, const ReverbSettings& settings);

}  // namespace orvanta::datagen
