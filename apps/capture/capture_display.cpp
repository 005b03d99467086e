#include "capture/capture_display.h"

#include "capture/frame_hash.h"

namespace orvanta {

bool CaptureDisplay::open(const char* /*title*/, int32_t width, int32_t height, bool /*windowed*/) {
  width_ = width;
  height_ = height;
  return true;
}

void CaptureDisplay::present(const uint32_t* pixels, const FrameInfo& frame) {
  if (failed()) return;
  if (outputs_.progress != nullptr) outputs_.progress->update(frame.showTimeCs);
  if (!frame.sceneRendered) return;  // the closing frame only repeats the last picture
  const double showTimeCs = frame.showTimeCs;
  if (showTimeCs < options_.fromSeconds * 100.0 || showTimeCs >= options_.toSeconds * 100.0) return;

  if (outputs_.hashes != nullptr) {
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    const std::string line = frameHashLine(frame, frameHash(pixels, count)) + "\n";
    if (std::fputs(line.c_str(), outputs_.hashes) == EOF) {
      error_ = "cannot write the hashes";
      return;
    }
  }
  if (outputs_.png != nullptr && !outputs_.png->write(frame.index, pixels, width_, height_)) {
    error_ = outputs_.png->error();
    return;
  }
  if (outputs_.video != nullptr) {
    if (!outputs_.video->started()) {
      VideoSettings settings = *outputs_.videoSettings;
      settings.width = width_;
      settings.height = height_;
      settings.soundtrackStartSeconds = showTimeCs / 100.0;
      if (!outputs_.video->start(settings)) {
        error_ = outputs_.video->error();
        return;
      }
    }
    if (!outputs_.video->write(pixels)) {
      error_ = outputs_.video->error();
      return;
    }
  }
  ++framesWritten_;
}

}  // namespace orvanta
