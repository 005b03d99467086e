#include "datagen/synth_filter.h"

#include <algorithm>
#include <cmath>

#include "datagen/synth_buffer.h"

namespace orvanta::datagen {

void StateVariableFilter::set(double cutoffHz, double resonance) {
  const double cutoff = std::clamp(cutoffHz, 10.0, kSampleRate * 0.45);
  const double g = std::tan(kPi * cutoff / kSampleRate);
  damping_ = 1.0 / std::max(resonance, 0.1);
  a1_ = 1.0 / (1.0 + g * (g + damping_));
  a2_ = g * a1_;
  a3_ = g * a2_;
}

void OnePoleLowPass::set(double cutoffHz) {
  const double cutoff = std::clamp(cutoffHz, 1.0, kSampleRate * 0.49);
  coefficient_ = static_cast<float>(1.0 - std::exp(-2.0 * kPi * cutoff / kSampleRate));
}

}  // namespace orvanta::datagen
