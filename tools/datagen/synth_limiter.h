#pragma once
// The master peak limiter. It sees the whole mix at once, so it can start turning down before a peak arrives
// and never lets a sample past the ceiling.

#include "datagen/synth_buffer.h"

namespace orvanta::datagen {

struct LimiterSettings {
  float ceiling = 0.89f;    // largest magnitude let through (about -1 dBFS)
  double lookahead = 0.003; // seconds over which the gain falls before a peak
  double release = 0.08;    // time constant of the recovery after it
};

void limitPeaks(StereoBuffer& mix, const LimiterSettings& settings);

}  // namespace orvanta::datagen
