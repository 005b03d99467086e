#include "base/cpu_features.h"
#include "base/random.h"
#include "image/add_noise_kernels.h"
#include "image/grain.h"

namespace orvanta {

void addNoise(Image& image, int amount, ShowRandom& random) {
  const size_t count = image.pixelCount();
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    random.setState(kernels::addNoiseAvx2(image.pixels, count, amount, random.state()));
  } else {
    random.setState(kernels::addNoiseSse2(image.pixels, count, amount, random.state()));
  }
#else
  random.setState(kernels::addNoiseReference(image.pixels, count, amount, random.state()));
#endif
}

}  // namespace orvanta
