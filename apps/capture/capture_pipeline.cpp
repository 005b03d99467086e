#include "capture/capture_pipeline.h"

#include <algorithm>
#include <cstring>

#include "driver/frame_hash_batch.h"

namespace orvanta {

int defaultCaptureThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp<unsigned>(cores, 1u, static_cast<unsigned>(kMaxCaptureThreads)));
}

CapturePipeline::CapturePipeline(const CaptureOptions& options, const CaptureOutputs& outputs, int workers)
    : options_(options),
      outputs_(outputs),
      ordered_(outputs.hashes != nullptr || outputs.video != nullptr),
      png_(outputs.png != nullptr),
      pixelCount_(static_cast<size_t>(kFrameWidth) * static_cast<size_t>(kFrameHeight)) {
  for (Slot& slot : slots_) slot.pixels.reset(new uint32_t[pixelCount_]);
  const int count = std::max(1, workers);
  if (png_) {
    pngWriters_.resize(static_cast<size_t>(count));
    for (PngWriter& writer : pngWriters_) {
      if (!writer.open(outputs.png->directory(), outputs.png->scale())) error_ = writer.error();
    }
  }
  workers_.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) workers_.emplace_back([this, i] { work(i); });
}

CapturePipeline::~CapturePipeline() { finish(); }

bool CapturePipeline::take(const ShowStep& step, const Image& frame) {
  if (outputs_.progress != nullptr) outputs_.progress->update(step.showTimeCs);
  std::unique_lock lock(mutex_);
  if (!error_.empty()) return false;
  if (!step.rendered || !inCaptureRange(options_, step)) return true;
  slotFreed_.wait(lock, [this] { return !error_.empty() || taken_ - released_ < kSlots; });
  if (!error_.empty()) return false;
  // The slot is free: no worker looks at it until it is counted as taken.
  Slot& slot = slots_[taken_ % kSlots];
  lock.unlock();
  slot.step = step;
  std::memcpy(slot.pixels.get(), frame.pixels, pixelCount_ * sizeof(uint32_t));
  slot.tasksLeft = (ordered_ ? 1 : 0) + (png_ ? 1 : 0);
  lock.lock();
  ++taken_;
  releaseDone();
  lock.unlock();
  workReady_.notify_all();
  return true;
}

void CapturePipeline::finish() {
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  workReady_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

bool CapturePipeline::failed() const {
  std::lock_guard lock(mutex_);
  return !error_.empty();
}

std::string CapturePipeline::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

uint64_t CapturePipeline::framesWritten() const {
  std::lock_guard lock(mutex_);
  return framesWritten_;
}

bool CapturePipeline::orderedWorkReady() const {
  if (!ordered_ || orderedBusy_ || taken_ == orderedNext_) return false;
  // Hashes are made four frames at a time; the last frames go as they are.
  const uint64_t batch = outputs_.hashes != nullptr ? kHashBatch : 1;
  return taken_ - orderedNext_ >= batch || finishing_;
}

void CapturePipeline::work(int worker) {
  char line[kFrameHashLineSize];
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!error_.empty()) return;
    if (orderedWorkReady()) {
      orderedBusy_ = true;
      const uint64_t first = orderedNext_;
      const int count = static_cast<int>(std::min<uint64_t>(taken_ - first, kHashBatch));
      lock.unlock();
      writeInOrder(first, count, line);
      lock.lock();
      orderedBusy_ = false;
      orderedNext_ = first + static_cast<uint64_t>(count);
      for (int i = 0; i < count; ++i) --slots_[(first + static_cast<uint64_t>(i)) % kSlots].tasksLeft;
      releaseDone();
      workReady_.notify_all();  // more in-order work may wait for a worker
      continue;
    }
    if (png_ && pngNext_ < taken_) {
      Slot& slot = slots_[pngNext_++ % kSlots];
      lock.unlock();
      PngWriter& writer = pngWriters_[static_cast<size_t>(worker)];
      const bool written = writer.write(slot.step.index, slot.pixels.get(), kFrameWidth, kFrameHeight);
      lock.lock();
      if (!written) fail(writer.error());
      --slot.tasksLeft;
      releaseDone();
      continue;
    }
    // Once the renderer is done, what is left is claimed already: the worker holding the
    // in-order outputs goes on to their end.
    if (finishing_) return;
    workReady_.wait(lock);
  }
}

// Runs without the lock: frames first ... first + count - 1 stay in their slots until it returns.
void CapturePipeline::writeInOrder(uint64_t first, int count, char (&line)[kFrameHashLineSize]) {
  const uint32_t* frames[kHashBatch];
  const ShowStep* steps[kHashBatch];
  for (int i = 0; i < count; ++i) {
    const Slot& slot = slots_[(first + static_cast<uint64_t>(i)) % kSlots];
    frames[i] = slot.pixels.get();
    steps[i] = &slot.step;
  }
  std::string failure;
  if (outputs_.video != nullptr) {
    VideoPipe& video = *outputs_.video;
    for (int i = 0; i < count && failure.empty(); ++i) {
      if (!video.started()) {
        VideoSettings settings = *outputs_.videoSettings;
        settings.width = kFrameWidth;
        settings.height = kFrameHeight;
        settings.soundtrackStartSeconds = static_cast<double>(steps[i]->showTimeCs) / 100.0;
        if (!video.start(settings)) failure = video.error();
      }
      if (failure.empty() && !video.write(frames[i])) failure = video.error();
    }
  }
  if (failure.empty() && outputs_.hashes != nullptr) {
    uint64_t hashes[kHashBatch];
    hashFramesSideBySide(frames, count, pixelCount_, hashes);
    for (int i = 0; i < count && failure.empty(); ++i) {
      formatFrameHashLine(*steps[i], hashes[i], line);
      if (std::fputs(line, outputs_.hashes) == EOF || std::fputc('\n', outputs_.hashes) == EOF) {
        failure = "cannot write the hashes";
      }
    }
  }
  if (!failure.empty()) {
    std::lock_guard lock(mutex_);
    fail(failure);
  }
}

void CapturePipeline::fail(const std::string& message) {
  if (error_.empty()) error_ = message;
  slotFreed_.notify_all();
  workReady_.notify_all();
}

void CapturePipeline::releaseDone() {
  const uint64_t before = released_;
  while (released_ < taken_ && slots_[released_ % kSlots].tasksLeft == 0) {
    ++released_;
    if (error_.empty()) ++framesWritten_;
  }
  if (released_ != before) slotFreed_.notify_one();
}

}  // namespace orvanta
