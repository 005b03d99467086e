#pragma once
// The capture split by frames over threads, for hashes and PNGs: each thread has a show of its
// own, fast-forwards it (Show::skip) to the start of a run of frames, draws that run and writes
// its frames, then takes the next run nobody has taken. A fast-forward is an assumption, so it
// is checked: the thread that drew the run before draws one frame more, and its checkpoint and
// pixels must equal those the run's own thread reached at that frame. If a check fails, the
// frames from that run on are drawn again by one fresh show from the start, so what is written
// is always what one unbroken run writes. Hash lines are kept and written in frame order at the
// end; PNGs are written as frames are drawn (a redraw writes them again).

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture/capture_options.h"
#include "capture/capture_sink.h"
#include "driver/frame_hash_batch.h"
#include "driver/show.h"

namespace orvanta {

class FrameSplit {
 public:
  // `threads` threads: the first draws with `first` (freshly opened, not yet stepped), each
  // other one opens its own show with `openShow` as it starts, while the first is already
  // drawing; `openShow` also makes the one that redraws after a failed check. PNGs go through
  // one writer per thread, with the directory and scale of the outputs' writer.
  FrameSplit(const CaptureOptions& options, const CaptureOutputs& outputs, Show& first, int threads,
             std::function<std::unique_ptr<Show>()> openShow, const ShowProgram& program = {});
  ~FrameSplit();
  FrameSplit(const FrameSplit&) = delete;
  FrameSplit& operator=(const FrameSplit&) = delete;

  // Draws every frame up to the last one in range and writes those in range. Returns false on
  // a failed output (see error()).
  bool run();

  const std::string& error() const { return error_; }
  uint64_t framesWritten() const { return framesWritten_; }
  // Runs of frames drawn again because their fast-forward did not match (0 for the show).
  int redrawnRuns() const { return redrawnRuns_; }
  int runCount() const { return static_cast<int>(runs_.size()); }
  // Joins checked: where a thread began a run that it did not draw up to (none when one thread
  // happened to take every run).
  int checkedJoins() const;
  // Loader messages of the shows opened here whose frames were written. A thread whose show
  // does not load cleanly (its data changed since the first show loaded) draws nothing, and
  // its runs are redrawn.
  int loaderMessages() const { return loaderMessages_; }

 private:
  // Where a run begins: the run's own thread (after its fast-forward) and the thread of the run
  // before (straight on) each reach the run's first frame; the first to get there keeps its
  // checkpoint and pixels, the second compares.
  struct Boundary {
    bool kept = false;
    bool matched = false;
    bool continued = false;  // one thread drew straight through: nothing to check
    ShowCheckpoint checkpoint;
    std::unique_ptr<uint32_t[]> pixels;
  };
  struct Run {
    uint64_t begin = 0;
    uint64_t end = 0;
  };
  struct FrameRecord {
    ShowStep step;
    uint64_t hash = 0;
    bool written = false;
  };

  void work(size_t thread);
  // Draws frames [begin, end) of `show` (at step `begin` already), writing those in range.
  bool drawFrames(Show& show, uint64_t begin, uint64_t end, size_t thread, Boundary* first);
  bool write(size_t thread, const ShowStep& step, const Image& frame);
  void meet(Boundary& boundary, const Show& show);
  // Files the hashes a batch has just made under their frames (tagged by frame index).
  void keepHashes(const FrameHashBatch& batch);
  size_t firstFailedBoundary() const;
  bool redrawFrom(uint64_t begin);
  void fail(const std::string& message);
  bool failed();

  const CaptureOptions& options_;
  CaptureOutputs outputs_;
  Show& first_;
  size_t threads_;
  std::function<std::unique_ptr<Show>()> openShow_;
  float stepSeconds_;
  std::vector<ShowStep> planned_;
  uint64_t frameCount_ = 0;  // frames drawn: up to the last one in range
  size_t pixelCount_;
  std::vector<Run> runs_;
  std::vector<Boundary> boundaries_;  // one per run; the first run's is unused
  std::vector<FrameRecord> records_;  // one per frame drawn
  std::vector<PngWriter> pngWriters_;                   // one per thread
  std::vector<std::unique_ptr<FrameHashBatch>> batches_;  // one per thread

  std::mutex mutex_;
  std::condition_variable progressed_;
  size_t nextRun_ = 0;  // the first run not yet taken once every thread has its first
  uint64_t framesDrawn_ = 0;
  size_t threadsDone_ = 0;
  std::string error_;
  uint64_t framesWritten_ = 0;
  int redrawnRuns_ = 0;
  int loaderMessages_ = 0;
};

}  // namespace orvanta
