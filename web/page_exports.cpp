// What the page's script calls: one show, stepped from the browser's animation callback or,
// in the capture and timing modes, in runs of steps between the page's other tasks.

#include <emscripten/emscripten.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/data_set_manifest.h"
#include "base/messages.h"
#include "driver/offline_run.h"
#include "driver/show.h"

namespace {

using namespace orvanta;

// Loader messages go to the page, which lists them over the picture.
EM_JS(void, postMessageToPage, (const char* text, const char* caption), {
  Module.onShowMessage(UTF8ToString(caption), UTF8ToString(text));
});

void messageToPage(const char* text, const char* caption) { postMessageToPage(text, caption); }

// The capture tool's hash lines, a given number of steps at a time.
class HashLines final : public OfflineSink {
 public:
  void start(int steps) {
    lines_.clear();
    stepsLeft_ = steps;
  }
  const std::string& lines() const { return lines_; }
  bool ended() const { return ended_; }

  bool wantsHash(const ShowStep& /*step*/) override { return true; }
  void hashed(const ShowStep& step, uint64_t hash) override {
    lines_ += frameHashLine(step, hash);
    lines_ += '\n';
  }
  bool take(const ShowStep& step, const Image& /*frame*/) override {
    ended_ = step.ended;
    return --stepsLeft_ > 0;
  }

 private:
  std::string lines_;
  int stepsLeft_ = 0;
  bool ended_ = false;
};

struct Page {
  std::unique_ptr<Show> show;
  ShowStep last;
  uint32_t rgba[kFrameWidth * kFrameHeight] = {};
  std::unique_ptr<OfflineRunner> runner;
  int runnerFps = 0;
  HashLines hashLines;
};

Page& page() {
  static Page* const instance = new Page();
  return *instance;
}

}  // namespace

extern "C" {

// Opens the show on the data folder (already in the module's file system). Returns the number
// of loader messages given while opening.
EMSCRIPTEN_KEEPALIVE int orvanta_open(const char* dataDirectory) {
  Page& p = page();
  setMessageHook(messageToPage);
  p.show = std::make_unique<Show>(dataDirectory);
  return p.show->loaderMessages();
}

// One frame, `deltaSeconds` of show time after the previous one. Bit 0: a scene drew it;
// bit 1: the show is over.
EMSCRIPTEN_KEEPALIVE int orvanta_step(float deltaSeconds) {
  Page& p = page();
  p.last = p.show->step(deltaSeconds);
  return (p.last.rendered ? 1 : 0) | (p.last.ended ? 2 : 0);
}

EMSCRIPTEN_KEEPALIVE const char* orvanta_scene() { return page().last.scene; }
EMSCRIPTEN_KEEPALIVE float orvanta_show_seconds() { return page().show->showSeconds(); }
EMSCRIPTEN_KEEPALIVE float orvanta_length_seconds() { return Show::lengthSeconds(); }
EMSCRIPTEN_KEEPALIVE void orvanta_seek(float seconds) { page().show->seek(seconds); }

// The data set's files, which the page fetches into the module's file system before opening.
EMSCRIPTEN_KEEPALIVE int orvanta_data_file_count() { return static_cast<int>(kDataSetSize); }
EMSCRIPTEN_KEEPALIVE const char* orvanta_data_file_name(int i) {
  return i >= 0 && static_cast<size_t>(i) < kDataSetSize ? kDataSet[i].name : "";
}

// The latest frame as the canvas takes it: bytes red, green, blue, alpha (opaque).
EMSCRIPTEN_KEEPALIVE const uint32_t* orvanta_frame_rgba() {
  Page& p = page();
  const uint32_t* pixels = p.show->frame().pixels;
  for (int i = 0; i < kFrameWidth * kFrameHeight; ++i) {
    const uint32_t argb = pixels[i];
    p.rgba[i] = 0xFF000000u | ((argb & 0xFFu) << 16) | (argb & 0xFF00u) | ((argb >> 16) & 0xFFu);
  }
  return p.rgba;
}

// The capture tool's run, `steps` steps of 1 / fps seconds at a time: returns the hash lines
// completed by them. Call again until orvanta_capture_ended().
EMSCRIPTEN_KEEPALIVE const char* orvanta_capture_steps(int fps, int steps) {
  Page& p = page();
  if (p.runner == nullptr || p.runnerFps != fps) {
    p.runner = std::make_unique<OfflineRunner>(fps);
    p.runnerFps = fps;
  }
  p.hashLines.start(steps);
  p.runner->run(*p.show, p.hashLines);
  return p.hashLines.lines().c_str();
}

EMSCRIPTEN_KEEPALIVE int orvanta_capture_ended() { return page().hashLines.ended() ? 1 : 0; }

}  // extern "C"
