#pragma once
// The show run offline: a fixed step of show time per frame, no sound, and a fingerprint of
// the frames that are asked for. Written once for the capture tool, the golden test and the
// benchmarks.

#include <cstdint>
#include <string>

#include "driver/frame_hash_batch.h"
#include "driver/show.h"

namespace orvanta {

// "<index> <show time in cs, two decimals> <scene> <hash, 16 lowercase hex digits>"
std::string frameHashLine(const ShowStep& step, uint64_t hash);
// The same line into a buffer of the caller's (no allocation); false if it did not fit.
inline constexpr size_t kFrameHashLineSize = 160;
bool formatFrameHashLine(const ShowStep& step, uint64_t hash, char (&line)[kFrameHashLineSize]);

// What an offline run hands its frames to.
class OfflineSink {
 public:
  virtual ~OfflineSink() = default;
  // Whether the frame a scene drew in this step gets a fingerprint.
  virtual bool wantsHash(const ShowStep& /*step*/) { return false; }
  // Fingerprints, in frame order, each after its own frame was taken and up to fifteen frames
  // later (they are made several frames at a time), or up to 63 while a picture repeats; the
  // rest when the run stops.
  virtual void hashed(const ShowStep& /*step*/, uint64_t /*hash*/) {}
  // Every step, the closing one included, with the frame as the step left it. False stops the
  // run before the next step.
  virtual bool take(const ShowStep& step, const Image& frame) = 0;
};

class OfflineRunner {
 public:
  // Steps of float(1 / fps) seconds. Everything the run needs is made here, so that running
  // allocates nothing.
  explicit OfflineRunner(int fps);
  // float(1 / fps): the step every offline run takes.
  static float stepSecondsFor(int fps) { return static_cast<float>(1.0 / fps); }

  float stepSeconds() const { return stepSeconds_; }

  // Steps the show until it ends or the sink stops it.
  void run(Show& show, OfflineSink& sink);

 private:
  void deliverHashes(OfflineSink& sink);

  float stepSeconds_;
  FrameHashBatch batch_;
  ShowStep waiting_[FrameHashBatch::kMaxFrames];
};

}  // namespace orvanta
