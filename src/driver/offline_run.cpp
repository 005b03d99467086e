#include "driver/offline_run.h"

#include <cinttypes>
#include <cstdio>

namespace orvanta {

bool formatFrameHashLine(const ShowStep& step, uint64_t hash, char (&line)[kFrameHashLineSize]) {
  const int length = std::snprintf(line, sizeof line, "%" PRIu64 " %.2f %s %016" PRIx64, step.index,
                                   static_cast<double>(step.showTimeCs), step.scene, hash);
  return length >= 0 && static_cast<size_t>(length) < sizeof line;
}

std::string frameHashLine(const ShowStep& step, uint64_t hash) {
  char line[kFrameHashLineSize];
  formatFrameHashLine(step, hash, line);
  return line;
}

OfflineRunner::OfflineRunner(int fps)
    : stepSeconds_(stepSecondsFor(fps)),
      batch_(static_cast<size_t>(kFrameWidth) * static_cast<size_t>(kFrameHeight)) {}

void OfflineRunner::deliverHashes(OfflineSink& sink) {
  for (int i = 0; i < batch_.resultCount(); ++i) {
    const FrameHashBatch::Result& result = batch_.results()[i];
    sink.hashed(waiting_[result.tag], result.hash);
  }
}

void OfflineRunner::run(Show& show, OfflineSink& sink) {
  uint64_t slot = 0;  // the batch numbers its frames in the order they come
  for (;;) {
    const ShowStep step = show.step(stepSeconds_);
    const bool hashing = step.rendered && sink.wantsHash(step);
    if (hashing) {
      waiting_[slot] = step;
      batch_.add(show.frame().pixels, slot);
      slot = (slot + 1) % FrameHashBatch::kMaxFrames;
    }
    const bool goOn = sink.take(step, show.frame());
    if (hashing) deliverHashes(sink);
    if (!goOn || step.ended) break;
  }
  batch_.flush();
  deliverHashes(sink);
}

}  // namespace orvanta
