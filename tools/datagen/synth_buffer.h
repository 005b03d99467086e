#pragma once
// Sample buffers and the few constants every part of the synthesiser shares.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace orvanta::datagen {

inline constexpr int kSampleRate = 44100;
inline constexpr double kPi = 3.14159265358979323846;

// Two channels of float samples at kSampleRate, nominal full scale 1.0.
struct StereoBuffer {
  std::vector<float> left;
  std::vector<float> right;

  StereoBuffer() = default;
  explicit StereoBuffer(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
  size_t frames() const { return left.size(); }
};

inline size_t secondsToFrames(double seconds) {
  return seconds <= 0.0 ? 0 : static_cast<size_t>(std::llround(seconds * kSampleRate));
}

// Fades the last `seconds` to silence so a rendered sound never ends on a step.
inline void fadeOutTail(StereoBuffer& sound, double seconds = 0.005) {
  const size_t fade = std::min(sound.frames(), secondsToFrames(seconds));
  for (size_t i = 0; i < fade; ++i) {
    const float gain = static_cast<float>(i) / static_cast<float>(fade);
    sound.left[sound.frames() - 1 - i] *= gain;
    sound.right[sound.frames() - 1 - i] *= gain;
  }
}

inline double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

inline float decibelsToGain(float db) { return std::pow(10.0f, db / 20.0f); }

// Constant-power pan: -1 is hard left, +1 hard right; both gains are 1/sqrt(2) in the centre.
inline void panGains(float pan, float& left, float& right) {
  const double angle = (static_cast<double>(pan) + 1.0) * kPi / 4.0;
  left = static_cast<float>(std::cos(angle));
  right = static_cast<float>(std::sin(angle));
}

}  // namespace orvanta::datagen
