#include "driver/frame_hash_kernels.h"

namespace orvanta::kernels {

// Four independent chains in one loop: each multiply waits only for its own chain.
void hashFourReference(const uint32_t* const (&frames)[4], size_t pixelCount, uint64_t (&hashes)[4]) {
  uint64_t ha = kFnvOffsetBasis;
  uint64_t hb = kFnvOffsetBasis;
  uint64_t hc = kFnvOffsetBasis;
  uint64_t hd = kFnvOffsetBasis;
  for (size_t i = 0; i < pixelCount; ++i) {
    const uint32_t wa = frames[0][i];
    const uint32_t wb = frames[1][i];
    const uint32_t wc = frames[2][i];
    const uint32_t wd = frames[3][i];
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
