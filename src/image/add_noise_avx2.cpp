#include "image/add_noise_avx2.h"

#if ORVANTA_X86_AVX2

namespace orvanta::kernels {
namespace {

struct Unchanged {
  ORVANTA_TARGET_AVX2 __m256i operator()(__m256i grained, size_t) const { return grained; }
};

}  // namespace

ORVANTA_TARGET_AVX2 uint32_t addNoiseAvx2(uint32_t* pixels, size_t count, int amount, uint32_t state) {
  const size_t done = avx2::addNoiseThen(pixels, count, amount, state, Unchanged());
  return addNoiseSse2(pixels + done, count - done, amount, state);
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
