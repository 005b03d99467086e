#include "capture/capture_sink.h"

namespace orvanta {

uint64_t stepsToDraw(const std::vector<ShowStep>& planned, const CaptureOptions& options) {
  uint64_t steps = 0;
  for (const ShowStep& step : planned) {
    if (step.rendered && inCaptureRange(options, step)) steps = step.index + 1;
  }
  return steps;
}

void CaptureSink::hashed(const ShowStep& step, uint64_t hash) {
  char line[kFrameHashLineSize];
  formatFrameHashLine(step, hash, line);
  const bool written = std::fputs(line, outputs_.hashes) != EOF && std::fputc('\n', outputs_.hashes) != EOF;
  if (!written && error_.empty()) error_ = "cannot write the hashes";
}

bool CaptureSink::take(const ShowStep& step, const Image& frame) {
  if (failed()) return false;
  if (outputs_.progress != nullptr) outputs_.progress->update(step.showTimeCs);
  if (!step.rendered) return true;  // the closing frame only repeats the last picture
  if (!inRange(step)) return true;

  if (outputs_.png != nullptr && !outputs_.png->write(step.index, frame.pixels, frame.width, frame.height)) {
    error_ = outputs_.png->error();
    return false;
  }
  if (outputs_.video != nullptr) {
    if (!outputs_.video->started()) {
      VideoSettings settings = *outputs_.videoSettings;
      settings.width = frame.width;
      settings.height = frame.height;
      settings.soundtrackStartSeconds = static_cast<double>(step.showTimeCs) / 100.0;
      if (!outputs_.video->start(settings)) {
        error_ = outputs_.video->error();
        return false;
      }
    }
    if (!outputs_.video->write(frame.pixels)) {
      error_ = outputs_.video->error();
      return false;
    }
  }
  ++framesWritten_;
  return true;
}

}  // namespace orvanta
