#pragma once
// The show's random generator: a linear congruential sequence that starts from state 1. Each
// show owns one; the grain runs the same sequence several steps at a time.

#include <cstdint>

namespace orvanta {

inline constexpr uint32_t kRandomMultiplier = 214013u;
inline constexpr uint32_t kRandomIncrement = 2531011u;

class ShowRandom {
 public:
  // 0 ... 32767, the next number of the sequence.
  int next() {
    state_ = state_ * kRandomMultiplier + kRandomIncrement;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

  // Moves the sequence on by `count` draws without making them (a show fast-forwarded to a
  // later frame): x -> a x + c applied `count` times is x -> A x + C, composed by squaring.
  void discard(uint64_t count) {
    uint32_t multiplier = kRandomMultiplier;
    uint32_t increment = kRandomIncrement;
    uint32_t totalMultiplier = 1u;
    uint32_t totalIncrement = 0u;
    for (; count != 0; count >>= 1) {
      if ((count & 1u) != 0) {
        totalMultiplier *= multiplier;
        totalIncrement = totalIncrement * multiplier + increment;
      }
      increment = (multiplier + 1u) * increment;
      multiplier *= multiplier;
    }
    state_ = totalMultiplier * state_ + totalIncrement;
  }

  // The grain advances the state by whole runs of draws.
  uint32_t state() const { return state_; }
  void setState(uint32_t state) { state_ = state; }

 private:
  uint32_t state_ = 1;
};

}  // namespace orvanta
