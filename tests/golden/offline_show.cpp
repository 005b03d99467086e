#include "golden/offline_show.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <memory>

#include "base/data_files.h"
#include "driver/frame_hash_batch.h"
#include "driver/main_loop.h"
#include "image/image.h"

namespace orvanta::golden {
namespace {

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

uint64_t countNow(const OfflineShowOptions& options) {
  return options.allocationCount != nullptr ? options.allocationCount() : 0;
}

// The capture tool's timer: every frame is the same float step.
class FixedStepTimer final : public FrameTimer {
 public:
  FixedStepTimer(int fps, const OfflineShowOptions& options, OfflineShowResult& result)
      : delta_(static_cast<float>(1.0 / fps)), options_(options), result_(result) {}
  void start() override { result_.allocationsAtStart = countNow(options_); }
  float tick() override { return delta_; }

 private:
  float delta_;
  const OfflineShowOptions& options_;
  OfflineShowResult& result_;
};

class SilentMusic final : public MusicPlayer {
 public:
  bool open(const char*) override { return false; }
  void play() override {}
  void close() override {}
};

// Keeps a fingerprint of each drawn frame, hashed four frames at a time. Presenting never
// allocates: the records and the batch's copies are made before the show starts.
class HashingDisplay final : public Display {
 public:
  HashingDisplay(const OfflineShowOptions& options, OfflineShowResult& result, double startCpu)
      : options_(options), result_(result), startCpu_(startCpu) {}
  bool open(const char*, int32_t width, int32_t height, bool) override {
    batch_ = std::make_unique<FrameHashBatch>(static_cast<size_t>(width) * static_cast<size_t>(height));
    return true;
  }
  DisplayEvent takeEvent() override { return stop_ ? DisplayEvent::Quit : DisplayEvent::None; }
  void present(const uint32_t* pixels, const FrameInfo& frame) override {
    if (!frame.sceneRendered) return;  // the closing frame repeats the previous picture
    const uint64_t allocations = countNow(options_);
    if (result_.frames.empty()) result_.startUpCpuSeconds = threadCpuSeconds() - startCpu_;
    if (result_.frames.size() < result_.frames.capacity()) {
      result_.frames.push_back({frame.index, frame.showTimeCs, frame.scene, 0, allocations});
      batch_->add(pixels, result_.frames.size() - 1);
      takeHashes();
    } else {
      result_.overflowed = true;
    }
    if (options_.stopAfterFirstFrame) stop_ = true;
  }
  void close() override {
    if (batch_ == nullptr) return;
    batch_->flush();
    takeHashes();
  }

 private:
  void takeHashes() {
    for (int i = 0; i < batch_->resultCount(); ++i) {
      result_.frames[batch_->results()[i].tag].hash = batch_->results()[i].hash;
    }
  }

  const OfflineShowOptions& options_;
  OfflineShowResult& result_;
  double startCpu_;
  std::unique_ptr<FrameHashBatch> batch_;
  bool stop_ = false;
};

}  // namespace

std::string formatFrameLine(const FrameRecord& frame) {
  char line[128];
  std::snprintf(line, sizeof line, "%" PRIu64 " %.2f %s %016" PRIx64, frame.index,
                static_cast<double>(frame.showTimeCs), frame.scene, frame.hash);
  return line;
}

OfflineShowResult runOfflineShow(const std::string& dataDirectory, const OfflineShowOptions& options) {
  OfflineShowResult result;
  // 98 s of frames and a few to spare; the loop itself must not grow anything.
  result.frames.reserve(static_cast<size_t>(options.fps) * 99 + 16);
  setDataDirectory(dataDirectory);
  const double startCpu = threadCpuSeconds();
  HashingDisplay display(options, result, startCpu);
  FixedStepTimer timer(options.fps, options, result);
  SilentMusic music;
  runShow(display, timer, music, true);
  result.cpuSeconds = threadCpuSeconds() - startCpu;
  return result;
}

const std::vector<std::string>& showDataFileNames() {
  static const std::vector<std::string> names = {
      "progress.tga", "tex0132.tga",   "tex01b3.tga",  "kvennenv2.tga",    "kvennenv3.tga", "trovask.tga",
      "s08_back2.tga", "s08_back3.tga", "box.tga",      "terrorist.tga",    "dravo.tga",     "s02_tex1.tga",
      "happyface.tga", "credits.tga",   "plasma.tga",   "control_test.tga", "greets.tga",    "rux.tga",
      "l33t.tga",      "s01_a.3ds",     "spike.3ds",    "plane24.3ds",      "bcube.3ds",
  };
  return names;
}

}  // namespace orvanta::golden
