#pragma once
// The capture over several threads: the show renders on the calling thread, which copies each
// frame to be written into one of a few slots made beforehand; worker threads hash the frames,
// feed the video pipe (both in frame order) and encode PNGs (in any order). Hash lines and
// video frames come out in the same order and with the same bytes as from a single thread.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_options.h"
#include "capture/capture_sink.h"
#include "driver/offline_run.h"

namespace orvanta {

class CapturePipeline final : public OfflineSink {
 public:
  // Starts `workers` threads (at least one). The outputs' PNG writer, if any, gives its
  // directory and scale to one writer per worker.
  CapturePipeline(const CaptureOptions& options, const CaptureOutputs& outputs, int workers);
  ~CapturePipeline() override;
  CapturePipeline(const CapturePipeline&) = delete;
  CapturePipeline& operator=(const CapturePipeline&) = delete;

  // Copies a frame to be written into a free slot, waiting for one if need be. False once an
  // output has failed.
  bool take(const ShowStep& step, const Image& frame) override;
  // Waits until every frame taken is written (or an output failed) and stops the workers.
  void finish();

  bool failed() const;
  std::string error() const;
  uint64_t framesWritten() const;

  // Slots of frame copies: enough that hashing four at a time and a PNG under way never stall
  // the renderer while the workers keep up.
  static constexpr int kSlots = 8;
  static constexpr int kHashBatch = 4;

 private:
  struct Slot {
    ShowStep step;
    std::unique_ptr<uint32_t[]> pixels;
    int tasksLeft = 0;
  };

  void work(int worker);
  bool orderedWorkReady() const;  // with the lock held
  void writeInOrder(uint64_t first, int count, char (&line)[kFrameHashLineSize]);
  void fail(const std::string& message);  // with the lock held
  void releaseDone();                     // with the lock held

  const CaptureOptions& options_;
  CaptureOutputs outputs_;
  bool ordered_;  // hashes or video: written in frame order
  bool png_;
  size_t pixelCount_;
  std::vector<PngWriter> pngWriters_;  // one per worker
  Slot slots_[kSlots];

  mutable std::mutex mutex_;
  std::condition_variable slotFreed_;  // for the renderer
  std::condition_variable workReady_;  // for the workers
  // Frames are numbered in the order taken; all below `released_` have left their slots.
  uint64_t taken_ = 0;
  uint64_t released_ = 0;
  uint64_t orderedNext_ = 0;  // the next frame for the in-order outputs
  bool orderedBusy_ = false;  // a worker is writing in-order outputs
  uint64_t pngNext_ = 0;      // the next frame without a PNG under way
  bool finishing_ = false;
  std::string error_;
  uint64_t framesWritten_ = 0;
  std::vector<std::thread> workers_;
};

// Threads for --threads 0: one per core.
int defaultCaptureThreads();

}  // namespace orvanta
