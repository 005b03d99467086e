#pragma once
// Stand-ins for the platform that record what the frame loop does with them.

#include <cstdint>
#include <string>
#include <vector>

#include "driver/show_platform.h"

namespace orvanta::testing {

struct CallLog {
  std::vector<std::string> calls;
  void add(std::string call) { calls.push_back(std::move(call)); }
  int count(const std::string& call) const;
};

struct PresentedFrame {
  FrameInfo info;
  std::vector<uint32_t> pixels;
  bool depthBufferClear = false;
};

class FakeDisplay final : public Display {
 public:
  explicit FakeDisplay(CallLog& log) : log_(log) {}
  bool open(const char* title, int32_t width, int32_t height, bool windowed) override;
  DisplayEvent takeEvent() override;
  void present(const uint32_t* pixels, const FrameInfo& frame) override;
  void close() override { log_.add("display.close"); }

  bool openSucceeds = true;
  bool keepPixels = true;
  std::vector<DisplayEvent> events;  // one per takeEvent, then None
  std::vector<PresentedFrame> presented;

 private:
  CallLog& log_;
  size_t nextEvent_ = 0;
};

// Returns the scripted deltas in turn, then repeats the last one.
class ScriptedTimer final : public FrameTimer {
 public:
  ScriptedTimer(CallLog& log, std::vector<float> deltas) : log_(log), deltas_(std::move(deltas)) {}
  void start() override { log_.add("timer.start"); }
  float tick() override;

 private:
  CallLog& log_;
  std::vector<float> deltas_;
  size_t next_ = 0;
};

class FakeMusic final : public MusicPlayer {
 public:
  explicit FakeMusic(CallLog& log) : log_(log) {}
  bool open(const char* fileName) override {
    log_.add(std::string("music.open ") + fileName);
    return false;
  }
  void play() override { log_.add("music.play"); }
  void close() override { log_.add("music.close"); }

 private:
  CallLog& log_;
};

}  // namespace orvanta::testing
