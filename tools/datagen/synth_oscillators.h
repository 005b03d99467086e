#pragma once
// Band-limited oscillators (PolyBLEP): saw, pulse and sine, phase kept in double so long notes stay in tune.
// Defined here so the per-sample calls inline into the voices.

#include <cmath>

namespace orvanta::datagen {

// Smooths a hard step at phase 0 of a cycle with `increment` per sample.
inline float polyBlep(double phase, double increment) {
  if (phase < increment) {
    const double t = phase / increment;
    return static_cast<float>(t + t - t * t - 1.0);
  }
  if (phase > 1.0 - increment) {
    const double t = (phase - 1.0) / increment;
    return static_cast<float>(t * t + t + t + 1.0);
  }
  return 0.0f;
}

class Oscillator {
 public:
  explicit Oscillator(double startPhase = 0.0) : phase_(startPhase) {}

  // Clamped below Nyquist; 0 Hz holds the phase.
  void setFrequency(double hz);
  double phase() const { return phase_; }

  float saw() {
    const float value = static_cast<float>(2.0 * phase_ - 1.0) - polyBlep(phase_, increment_);
    advance();
    return value;
  }

  // Centred on zero whatever the width, so filters downstream see no offset.
  float pulse(float width) {
    const float value = pulseAt(width);
    advance();
    return value;
  }

  float sine() {
    const float value = static_cast<float>(std::sin(6.283185307179586 * phase_));
    advance();
    return value;
  }

  // Saw and pulse of the same cycle, for voices that blend the two.
  void sawAndPulse(float width, float& sawValue, float& pulseValue) {
    sawValue = static_cast<float>(2.0 * phase_ - 1.0) - polyBlep(phase_, increment_);
    pulseValue = pulseAt(width);
    advance();
  }

  void advance() {
    phase_ += increment_;
    if (phase_ >= 1.0) phase_ -= 1.0;
  }

 private:
  float pulseAt(float width) const {
    float value = phase_ < width ? 1.0f : -1.0f;
    value += polyBlep(phase_, increment_);
    double shifted = phase_ + 1.0 - width;
    if (shifted >= 1.0) shifted -= 1.0;
    return value - polyBlep(shifted, increment_) - (2.0f * width - 1.0f);
  }

  double phase_ = 0.0;
  double increment_ = 0.0;
};

}  // namespace orvanta::datagen
