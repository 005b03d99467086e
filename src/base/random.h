#pragma once
// The show's random generator: a linear congruential sequence that starts from state 1. Each
// show owns one; the grain runs the same sequence several steps at a time.

#include <cstdint>

namespace orvanta {

inline constexpr uint32_t kRandomMultiplier = 214013u;
inline constexpr uint32_t kRandomIncrement = 2531011u;

// `count` steps of the generator as one: x -> a x + c applied `count` times is x -> multiplier
// x + increment (mod 2^32), composed by squaring.
struct RandomJump {
  uint32_t multiplier;
  uint32_t increment;
};

constexpr RandomJump randomJump(uint64_t count) {
  uint32_t multiplier = kRandomMultiplier;
  uint32_t increment = kRandomIncrement;
  RandomJump total{1u, 0u};
  for (; count != 0; count >>= 1) {
    if ((count & 1u) != 0) {
      total.multiplier *= multiplier;
      total.increment = total.increment * multiplier + increment;
    }
    increment = (multiplier + 1u) * increment;
    multiplier *= multiplier;
  }
  return total;
}

class ShowRandom {
 public:
  // 0 ... 32767, the next number of the sequence.
  int next() {
    state_ = state_ * kRandomMultiplier + kRandomIncrement;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

  // Moves the sequence on by `count` draws without making them (a show fast-forwarded to a
  // later frame).
  void discard(uint64_t count) {
    const RandomJump jump = randomJump(count);
    state_ = jump.multiplier * state_ + jump.increment;
  }

  // The grain advances the state by whole runs of draws.
  uint32_t state() const { return state_; }
  void setState(uint32_t state) { state_ = state; }

 private:
  uint32_t state_ = 1;
};

}  // namespace orvanta
