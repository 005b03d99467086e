#include "base/random.h"

namespace orvanta {

uint32_t gSceneRandomState = 1;

int sceneRandom() {
  gSceneRandomState = gSceneRandomState * kRandomMultiplier + kRandomIncrement;
  return static_cast<int>((gSceneRandomState >> 16) & 0x7FFFu);
}

void resetSceneRandom() { gSceneRandomState = 1; }

}  // namespace orvanta
