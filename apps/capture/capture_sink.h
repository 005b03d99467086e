#pragma once
// Where the capture tool's frames go: every frame that a scene drew within the chosen time
// range goes to the outputs that were asked for.

#include <cstdio>
#include <string>
#include <vector>

#include "capture/capture_options.h"
#include "capture/png_writer.h"
#include "capture/progress_bar.h"
#include "capture/video_pipe.h"
#include "driver/offline_run.h"

namespace orvanta {

struct CaptureOutputs {
  std::FILE* hashes = nullptr;          // or none
  PngWriter* png = nullptr;             // or none
  VideoPipe* video = nullptr;           // or none; started at the first written frame
  const VideoSettings* videoSettings = nullptr;
  ProgressBar* progress = nullptr;      // or none
};

// Whether a step's show time lies in the chosen [from, to).
inline bool inCaptureRange(const CaptureOptions& options, const ShowStep& step) {
  const double showTimeCs = step.showTimeCs;
  return showTimeCs >= options.fromSeconds * 100.0 && showTimeCs < options.toSeconds * 100.0;
}

// How many steps a capture draws: up to the last frame whose show time lies in the chosen
// range (0 when none does), from the planned steps of the show (Show::plannedSteps).
uint64_t stepsToDraw(const std::vector<ShowStep>& planned, const CaptureOptions& options);

class CaptureSink final : public OfflineSink {
 public:
  CaptureSink(const CaptureOptions& options, const CaptureOutputs& outputs) : options_(options), outputs_(outputs) {}

  bool wantsHash(const ShowStep& step) override { return outputs_.hashes != nullptr && !failed() && inRange(step); }
  // Writes the hash line; its frame's other outputs may already have been written.
  void hashed(const ShowStep& step, uint64_t hash) override;
  // Stops the run once an output has failed.
  bool take(const ShowStep& step, const Image& frame) override;

  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  uint64_t framesWritten() const { return framesWritten_; }

 private:
  bool inRange(const ShowStep& step) const { return inCaptureRange(options_, step); }

  const CaptureOptions& options_;
  CaptureOutputs outputs_;
  uint64_t framesWritten_ = 0;
  std::string error_;
};

}  // namespace orvanta
