#include "capture/capture_display.h"

#include "capture/frame_hash.h"

namespace orvanta {

bool CaptureDisplay::open(const char* /*title*/, int32_t width, int32_t height, bool /*windowed*/) {
  width_ = width;
  height_ = height;
  if (outputs_.hashes != nullptr) {
    hashBatch_ = std::make_unique<FrameHashBatch>(static_cast<size_t>(width) * static_cast<size_t>(height));
  }
  return true;
}

void CaptureDisplay::writeHashLines() {
  for (int i = 0; i < hashBatch_->resultCount(); ++i) {
    const FrameHashBatch::Result& result = hashBatch_->results()[i];
    const std::string line = frameHashLine(waiting_[result.tag], result.hash) + "\n";
    if (error_.empty() && std::fputs(line.c_str(), outputs_.hashes) == EOF) error_ = "cannot write the hashes";
  }
}

void CaptureDisplay::close() {
  if (hashBatch_ == nullptr) return;
  hashBatch_->flush();
  writeHashLines();
  for (bool& used : waitingUsed_) used = false;
}

void CaptureDisplay::present(const uint32_t* pixels, const FrameInfo& frame) {
  if (failed()) return;
  if (outputs_.progress != nullptr) outputs_.progress->update(frame.showTimeCs);
  if (!frame.sceneRendered) return;  // the closing frame only repeats the last picture
  const double showTimeCs = frame.showTimeCs;
  if (showTimeCs < options_.fromSeconds * 100.0 || showTimeCs >= options_.toSeconds * 100.0) return;

  if (hashBatch_ != nullptr) {
    // The batch numbers its frames 0 ... 3 in the order they come; the tag says which.
    uint64_t slot = 0;
    while (slot < FrameHashBatch::kWays && waitingUsed_[slot]) ++slot;
    waiting_[slot] = frame;
    waitingUsed_[slot] = true;
    hashBatch_->add(pixels, slot);
    if (hashBatch_->resultCount() > 0) {
      writeHashLines();
      for (bool& used : waitingUsed_) used = false;
    }
    if (failed()) return;
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
