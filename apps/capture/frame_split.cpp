#include "capture/frame_split.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "driver/frame_hash_batch.h"
#include "driver/offline_run.h"

namespace orvanta {
namespace {

// Each run is this share of the frames still to come per thread, so the runs shrink towards
// the end: the threads finish close together although the scenes cost different amounts per
// frame, while the runs stay few (the extra frames drawn at the joins and the kept pixels
// stay small).
constexpr uint64_t kRunsPerShare = 2;
constexpr uint64_t kShortestRun = 30;

}  // namespace

FrameSplit::FrameSplit(const CaptureOptions& options, const CaptureOutputs& outputs, Show& first, int threads,
                       std::function<std::unique_ptr<Show>()> openShow, const ShowProgram& program)
    : options_(options),
      outputs_(outputs),
      first_(first),
      threads_(static_cast<size_t>(std::max(1, threads))),
      openShow_(std::move(openShow)),
      stepSeconds_(OfflineRunner::stepSecondsFor(options.fps)),
      pixelCount_(static_cast<size_t>(kFrameWidth) * static_cast<size_t>(kFrameHeight)) {
  planned_ = Show::plannedSteps(stepSeconds_, program);
  frameCount_ = stepsToDraw(planned_, options_);
  for (uint64_t begin = 0; begin < frameCount_;) {
    const uint64_t left = frameCount_ - begin;
    // A last piece shorter than a run joins the run before it.
    uint64_t length = std::max(kShortestRun, left / (threads_ * kRunsPerShare));
    if (left < length + kShortestRun) length = left;
    runs_.push_back({begin, begin + length});
    begin += length;
  }
  boundaries_.resize(runs_.size());
  for (size_t i = 1; i < boundaries_.size(); ++i) {
    boundaries_[i].pixels.reset(new uint32_t[pixelCount_]);
  }
  records_.resize(frameCount_);
  nextRun_ = std::min(runs_.size(), threads_);
  if (outputs_.hashes != nullptr) {
    for (size_t i = 0; i < threads_; ++i) batches_.push_back(std::make_unique<FrameHashBatch>(pixelCount_));
  }
  if (outputs_.png != nullptr) {
    pngWriters_.resize(threads_);
    for (PngWriter& writer : pngWriters_) {
      if (!writer.open(outputs_.png->directory(), outputs_.png->scale())) error_ = writer.error();
    }
  }
}

FrameSplit::~FrameSplit() = default;

bool FrameSplit::run() {
  if (!error_.empty()) return false;
  std::vector<std::thread> threads;
  threads.reserve(threads_);
  for (size_t i = 0; i < threads_; ++i) threads.emplace_back([this, i] { work(i); });
  {
    // The progress bar follows the frames drawn, from this thread only.
    std::unique_lock lock(mutex_);
    while (threadsDone_ < threads.size()) {
      progressed_.wait_for(lock, std::chrono::milliseconds(100));
      if (outputs_.progress != nullptr && frameCount_ != 0 && framesDrawn_ != 0) {
        const uint64_t shown = std::min(framesDrawn_, frameCount_) - 1;
        outputs_.progress->update(planned_[shown].showTimeCs);
      }
    }
  }
  for (std::thread& thread : threads) thread.join();
  if (!error_.empty()) return false;

  const size_t failedAt = firstFailedBoundary();
  if (failedAt < runs_.size()) {
    redrawnRuns_ = static_cast<int>(runs_.size() - failedAt);
    if (!redrawFrom(runs_[failedAt].begin)) return false;
  }

  char line[kFrameHashLineSize];
  for (const FrameRecord& record : records_) {
    if (!record.written) continue;
    ++framesWritten_;
    if (outputs_.hashes == nullptr) continue;
    formatFrameHashLine(record.step, record.hash, line);
    if (std::fputs(line, outputs_.hashes) == EOF || std::fputc('\n', outputs_.hashes) == EOF) {
      error_ = "cannot write the hashes";
      return false;
    }
  }
  return true;
}

void FrameSplit::work(size_t thread) {
  // A thread without a run of its own to start on has nothing to draw (fewer runs than
  // threads): it opens no show.
  std::unique_ptr<Show> opened;
  if (thread > 0 && thread < runs_.size()) {
    opened = openShow_();
    if (opened->loaderMessages() > 0) opened.reset();  // leaves its first run undrawn: redrawn
  }
  if (thread > 0 && opened == nullptr) {
    std::lock_guard lock(mutex_);
    ++threadsDone_;
    progressed_.notify_all();
    return;
  }
  Show& show = thread == 0 ? first_ : *opened;
  uint64_t position = 0;  // steps this thread's show has taken
  size_t previous = runs_.size();  // the run this thread drew last, if any
  // Each thread starts on a run of its own, so every thread draws and every join between
  // their first runs is checked whatever the scheduler does; then they take what is left.
  bool started = false;
  for (;;) {
    size_t next;
    {
      std::lock_guard lock(mutex_);
      if (!started && thread < runs_.size()) {
        next = error_.empty() ? thread : runs_.size();
      } else {
        next = error_.empty() ? nextRun_ : runs_.size();
        if (next < runs_.size()) ++nextRun_;
      }
      started = true;
    }
    // The run after the one just drawn went to another thread: draw its first frame here too,
    // as the check of that thread's fast-forward.
    if (previous + 1 < runs_.size() && next != previous + 1) {
      show.step(stepSeconds_);
      ++position;
      meet(boundaries_[previous + 1], show);
    }
    if (next >= runs_.size()) break;
    const Run& run = runs_[next];
    Boundary* first = nullptr;
    if (next > 0 && previous + 1 == next) {
      boundaries_[next].continued = true;
    } else if (next > 0) {
      first = &boundaries_[next];
    }
    for (; position < run.begin; ++position) show.skip(stepSeconds_);
    if (!drawFrames(show, run.begin, run.end, thread, first)) break;
    position = run.end;
    previous = next;
  }
  std::lock_guard lock(mutex_);
  ++threadsDone_;
  progressed_.notify_all();
}

bool FrameSplit::drawFrames(Show& show, uint64_t begin, uint64_t end, size_t thread, Boundary* first) {
  FrameHashBatch* batch = batches_.empty() ? nullptr : batches_[thread].get();
  for (uint64_t index = begin; index < end; ++index) {
    if (failed()) return false;
    const ShowStep step = show.step(stepSeconds_);
    if (index == begin && first != nullptr) meet(*first, show);
    if (!write(thread, step, show.frame())) return false;
    if (batch != nullptr && records_[index].written) {
      batch->add(show.frame().pixels, index);
      keepHashes(*batch);
    }
    if ((index & 15u) == 15u) {
      std::lock_guard lock(mutex_);
      framesDrawn_ += 16;
    }
  }
  if (batch != nullptr) {
    batch->flush();
    keepHashes(*batch);
  }
  return true;
}

bool FrameSplit::write(size_t thread, const ShowStep& step, const Image& frame) {
  FrameRecord& record = records_[step.index];
  record.step = step;
  record.written = step.rendered && inCaptureRange(options_, step);
  if (!record.written || pngWriters_.empty()) return true;
  PngWriter& writer = pngWriters_[thread];
  if (writer.write(step.index, frame.pixels, frame.width, frame.height)) return true;
  fail(writer.error());
  return false;
}

void FrameSplit::meet(Boundary& boundary, const Show& show) {
  const ShowCheckpoint checkpoint = show.checkpoint();
  const Image& frame = show.frame();
  const size_t bytes = std::min(frame.pixelCount(), pixelCount_) * sizeof(uint32_t);
  std::lock_guard lock(mutex_);
  if (!boundary.kept) {
    boundary.kept = true;
    boundary.checkpoint = checkpoint;
    std::memcpy(boundary.pixels.get(), frame.pixels, bytes);
    return;
  }
  boundary.matched = boundary.checkpoint == checkpoint && std::memcmp(boundary.pixels.get(), frame.pixels, bytes) == 0;
}

int FrameSplit::checkedJoins() const {
  int checked = 0;
  for (size_t i = 1; i < boundaries_.size(); ++i) checked += boundaries_[i].continued ? 0 : 1;
  return checked;
}

size_t FrameSplit::firstFailedBoundary() const {
  for (size_t i = 1; i < boundaries_.size(); ++i) {
    if (!boundaries_[i].continued && !boundaries_[i].matched) return i;
  }
  return runs_.size();
}

bool FrameSplit::redrawFrom(uint64_t begin) {
  std::unique_ptr<Show> show = openShow_();
  loaderMessages_ += show->loaderMessages();
  FrameHashBatch batch(pixelCount_);
  for (uint64_t index = 0; index < frameCount_; ++index) {
    const ShowStep step = show->step(stepSeconds_);
    if (index < begin) continue;
    if (!write(0, step, show->frame())) return false;
    if (outputs_.hashes != nullptr && records_[index].written) {
      batch.add(show->frame().pixels, index);
      keepHashes(batch);
    }
  }
  batch.flush();
  keepHashes(batch);
  return true;
}

void FrameSplit::keepHashes(const FrameHashBatch& batch) {
  for (int i = 0; i < batch.resultCount(); ++i) records_[batch.results()[i].tag].hash = batch.results()[i].hash;
}

void FrameSplit::fail(const std::string& message) {
  std::lock_guard lock(mutex_);
  if (error_.empty()) error_ = message;
}

bool FrameSplit::failed() {
  std::lock_guard lock(mutex_);
  return !error_.empty();
}

}  // namespace orvanta
