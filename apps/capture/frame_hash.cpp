#include "capture/frame_hash.h"

#include <cinttypes>
#include <cstdio>

namespace orvanta {

std::string frameHashLine(const FrameInfo& frame, uint64_t hash) {
  char line[128];
  std::snprintf(line, sizeof line, "%" PRIu64 " %.2f %s %016" PRIx64, frame.index,
                static_cast<double>(frame.showTimeCs), frame.scene, hash);
  return line;
}

}  // namespace orvanta
