#pragma once
// The capture tool's stand-in for a screen: every presented frame that a scene drew within
// the chosen time range goes to the outputs that were asked for.

#include <cstdio>
#include <memory>
#include <string>

#include "capture/capture_options.h"
#include "capture/png_writer.h"
#include "capture/progress_bar.h"
#include "capture/video_pipe.h"
#include "driver/frame_hash_batch.h"
#include "driver/show_platform.h"

namespace orvanta {

struct CaptureOutputs {
  std::FILE* hashes = nullptr;          // or none
  PngWriter* png = nullptr;             // or none
  VideoPipe* video = nullptr;           // or none; started at the first written frame
  const VideoSettings* videoSettings = nullptr;
  ProgressBar* progress = nullptr;      // or none
};

class CaptureDisplay final : public Display {
 public:
  CaptureDisplay(const CaptureOptions& options, const CaptureOutputs& outputs)
      : options_(options), outputs_(outputs) {}
  bool open(const char* title, int32_t width, int32_t height, bool windowed) override;
  // Asks the loop to stop once an output has failed.
  DisplayEvent takeEvent() override { return failed() ? DisplayEvent::Quit : DisplayEvent::None; }
  void present(const uint32_t* pixels, const FrameInfo& frame) override;
  // Writes the hash lines of the frames still waiting in the batch.
  void close() override;

  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  uint64_t framesWritten() const { return framesWritten_; }

 private:
  const CaptureOptions& options_;
  CaptureOutputs outputs_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint64_t framesWritten_ = 0;
  std::string error_;
  // Hashes are taken four frames at a time (about four times faster); their lines follow
  // up to three frames late, in order.
  std::unique_ptr<FrameHashBatch> hashBatch_;
  FrameInfo waiting_[FrameHashBatch::kWays];
  bool waitingUsed_[FrameHashBatch::kWays] = {};
  void writeHashLines();
};

}  // namespace orvanta
