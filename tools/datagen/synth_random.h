#pragma once
// The synthesiser's own random numbers: a fixed algorithm and seed, so every run makes the same sound.

#include <cstdint>

namespace orvanta::datagen {

class SynthRandom {
 public:
  explicit SynthRandom(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
    if (state_ == 0) state_ = 1;
  }

  // xorshift64*: fast, and its sequence is the same on every platform.
  uint64_t next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }

  // Uniform in [0, 1).
  float unit() { return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f); }
  // Uniform in [-1, 1).
  float bipolar() { return unit() * 2.0f - 1.0f; }

 private:
  uint64_t state_;
};

}  // namespace orvanta::datagen
