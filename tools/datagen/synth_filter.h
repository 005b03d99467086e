#pragma once
// Filters: a state-variable filter (low, band and high pass at once) and one-pole smoothing filters.

namespace orvanta::datagen {

// Trapezoidal state-variable filter; stays stable while its cutoff moves every few samples.
class StateVariableFilter {
 public:
  // `resonance` is Q: 0.5 gentle, 0.707 flat, 5 and up sings.
  void set(double cutoffHz, double resonance);
  void process(float input) {
    const double v3 = input - ic2_;
    const double v1 = a1_ * ic1_ + a2_ * v3;
    const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    low_ = static_cast<float>(v2);
    band_ = static_cast<float>(v1);
    high_ = static_cast<float>(input - damping_ * v1 - v2);
  }

  float low() const { return low_; }
  float band() const { return band_; }
  float high() const { return high_; }

 private:
  double a1_ = 1.0, a2_ = 0.0, a3_ = 0.0, damping_ = 1.414;
  double ic1_ = 0.0, ic2_ = 0.0;
  float low_ = 0.0f, band_ = 0.0f, high_ = 0.0f;
};

class OnePoleLowPass {
 public:
  void set(double cutoffHz);
  float process(float input) {
    state_ += coefficient_ * (input - state_);
    return state_;
  }

 private:
  float coefficient_ = 1.0f;
  float state_ = 0.0f;
};

class OnePoleHighPass {
 public:
  void set(double cutoffHz) { lowPass_.set(cutoffHz); }
  float process(float input) { return input - lowPass_.process(input); }

 private:
  OnePoleLowPass lowPass_;
};

}  // namespace orvanta::datagen
