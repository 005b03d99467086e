#include "base/cpu_features.h"
#include "base/random.h"
#include "image/add_noise_kernels.h"
#include "image/grain.h"

namespace orvanta {

void addNoise(Image& image, int amount) {
  const size_t count = image.pixelCount();
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    gSceneRandomState = kernels::addNoiseAvx2(image.pixels, count, amount, gSceneRandomState);
  } else {
    gSceneRandomState = kernels::addNoiseSse2(image.pixels, count, amount, gSceneRandomState);
  }
#else
  gSceneRandomState = kernels::addNoiseReference(image.pixels, count, amount, gSceneRandomState);
#endif
}

}  // namespace orvanta
