#include "capture/frame_hash.h"

#include <cinttypes>
#include <cstdio>

namespace orvanta {

uint64_t frameHash(const uint32_t* pixels, size_t count) {
  constexpr uint64_t kOffsetBasis = 0xcbf29ce484222325ULL;
  constexpr uint64_t kPrime = 0x100000001b3ULL;
  uint64_t hash = kOffsetBasis;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t word = pixels[i];
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (word >> shift) & 0xFFu;
      hash *= kPrime;
    }
  }
  return hash;
}

std::string frameHashLine(const FrameInfo& frame, uint64_t hash) {
  char line[128];
  std::snprintf(line, sizeof line, "%" PRIu64 " %.2f %s %016" PRIx64, frame.index,
                static_cast<double>(frame.showTimeCs), frame.scene, hash);
  return line;
}

}  // namespace orvanta
