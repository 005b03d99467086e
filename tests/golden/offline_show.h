#pragma once
// The show run offline as the capture tool runs it: a fixed step of show time per frame, no
// sound, and a fingerprint of every frame a scene drew. Used by the golden test and the
// benchmarks of the whole show.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/show_platform.h"

namespace orvanta::golden {

// A drawn frame; `hash` is the capture tool's fingerprint (FNV-1a 64, see frameHash).
struct FrameRecord {
  uint64_t index = 0;
  float showTimeCs = 0.0f;
  const char* scene = "none";
  uint64_t hash = 0;
  uint64_t allocationsBefore = 0;  // allocations counted before this frame was presented
};

// "<index> <show time in cs, two decimals> <scene> <hash, 16 lowercase hex digits>", as the
// capture tool writes it.
std::string formatFrameLine(const FrameRecord& frame);

struct OfflineShowOptions {
  int fps = 60;
  bool stopAfterFirstFrame = false;
  // Counts allocations, if the program has a counter; null otherwise.
  uint64_t (*allocationCount)() = nullptr;
};

struct OfflineShowResult {
  std::vector<FrameRecord> frames;   // the frames a scene drew, in order
  uint64_t allocationsAtStart = 0;   // counted when the frame clock started
  double startUpCpuSeconds = 0.0;    // from the start of the run to the first frame presented
  double cpuSeconds = 0.0;           // the whole run
  bool overflowed = false;           // more frames than a 98-second show has room for
};

// Runs the show in this process, reading the data set from `dataDirectory`. The scenes keep
// their state in globals, so a process runs the show once.
OfflineShowResult runOfflineShow(const std::string& dataDirectory, const OfflineShowOptions& options);

// The pictures and models the show reads at start-up.
const std::vector<std::string>& showDataFileNames();

}  // namespace orvanta::golden
