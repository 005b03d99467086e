#pragma once
// The show's one random generator: a linear congruential sequence, state 1 at program start.
// Its state is shared with the grain, which runs the same sequence several steps at a time.

#include <cstdint>

namespace orvanta {

extern uint32_t gSceneRandomState;

inline constexpr uint32_t kRandomMultiplier = 214013u;
inline constexpr uint32_t kRandomIncrement = 2531011u;

// 0 ... 32767, the next number of the sequence.
int sceneRandom();
// Puts the generator back to its program-start state (tests and tools that render the
// show more than once in one process).
void resetSceneRandom();

}  // namespace orvanta
