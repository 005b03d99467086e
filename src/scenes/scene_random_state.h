#pragma once
// The generator's state, shared with the grain, which runs the same sequence several steps
// at a time.

#include <cstdint>

namespace orvanta {

extern uint32_t gSceneRandomState;

inline constexpr uint32_t kRandomMultiplier = 214013u;
inline constexpr uint32_t kRandomIncrement = 2531011u;

}  // namespace orvanta
