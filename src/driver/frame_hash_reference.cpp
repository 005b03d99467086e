#include "driver/frame_hash_kernels.h"

namespace orvanta::kernels {

// Four independent chains in one loop: each multiply waits only for its own chain.
void advanceFourReference(const uint32_t* const (&words)[4], size_t pixelCount, uint64_t (&hashes)[4]) {
  uint64_t ha = hashes[0];
  uint64_t hb = hashes[1];
  uint64_t hc = hashes[2];
  uint64_t hd = hashes[3];
  for (size_t i = 0; i < pixelCount; ++i) {
    const uint32_t wa = words[0][i];
    const uint32_t wb = words[1][i];
    const uint32_t wc = words[2][i];
    const uint32_t wd = words[3][i];
    for (int shift = 0; shift < 32; shift += 8) {
      ha = fnvStep(ha, (wa >> shift) & 0xFFu);
      hb = fnvStep(hb, (wb >> shift) & 0xFFu);
      hc = fnvStep(hc, (wc >> shift) & 0xFFu);
      hd = fnvStep(hd, (wd >> shift) & 0xFFu);
    }
  }
  hashes[0] = ha;
  hashes[1] = hb;
  hashes[2] = hc;
  hashes[3] = hd;
}

}  // namespace orvanta::kernels
