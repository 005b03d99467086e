#include "driver/main_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/render_target.h"

namespace orvanta {
namespace {

// Everything the loop does with the platform, in order.
std::vector<std::string> gLog;
std::vector<float> gSceneTimes;
int gDirtyDepthAtScene = 0;
const DepthBuffer* gSceneDepth = nullptr;  // the loop's depth buffer, as its scene last saw it

bool depthBufferIsZero() {
  if (gSceneDepth == nullptr) return true;
  const DepthBuffer& depth = *gSceneDepth;
  const size_t count = static_cast<size_t>(depth.width) * depth.height;
  return depth.values != nullptr && std::all_of(depth.values, depth.values + count, [](int32_t v) { return v == 0; });
}

struct Presented {
  FrameInfo info;
  uint32_t firstPixel, lastPixel;
  bool depthZero;
};

class FakeDisplay final : public Display {
 public:
  bool open(const char* title, int32_t width, int32_t height, bool windowed) override {
    gLog.push_back(std::string("display.open ") + title + " " + std::to_string(width) + "x" +
                   std::to_string(height) + (windowed ? " windowed" : " full screen"));
    return opens;
  }
  DisplayEvent takeEvent() override {
    gLog.push_back("event");
    return taken < events.size() ? events[taken++] : DisplayEvent::None;
  }
  void present(const uint32_t* pixels, const FrameInfo& info) override {
    gLog.push_back("present");
    presented.push_back({info, pixels[0], pixels[kFrameWidth * kFrameHeight - 1], depthBufferIsZero()});
  }
  void close() override { gLog.push_back("display.close"); }

  bool opens = true;
  std::vector<DisplayEvent> events;  // one per takeEvent, then None
  size_t taken = 0;
  std::vector<Presented> presented;
};

// A timer of fixed steps, and music that does not open: the show goes on silently.
struct FakeTimerAndMusic final : FrameTimer, MusicPlayer {
  explicit FakeTimerAndMusic(float s) : step(s) {}
  void start() override { gLog.push_back("timer.start"); }
  float tick() override {
    gLog.push_back("tick");
    return step;
  }
  bool open(const char* name) override {
    gLog.push_back(std::string("music.open ") + name);
    return false;
  }
  void play() override { gLog.push_back("music.play"); }
  void close() override { gLog.push_back("music.close"); }
  float step;
};

// Notes the time and whether the depth buffer is clear, then dirties the buffer and fills the
// frame with the number of the call.
void paintingScene(ShowScenes&, SceneFrame& out, float showTimeCs) {
  DepthBuffer& depth = out.target().depth;
  gSceneDepth = &depth;
  if (!depthBufferIsZero() || depth.width != kFrameWidth || depth.height != kFrameHeight) {
    ++gDirtyDepthAtScene;
  }
  gSceneTimes.push_back(showTimeCs);
  std::fill_n(depth.values, static_cast<size_t>(depth.width) * depth.height, 12345);
  out.image.fill(static_cast<uint32_t>(gSceneTimes.size()));
}

const SceneEntry kPaintingScene[] = {
    {"painting", [](ShowScenes&, SceneLoader&) { gLog.push_back("initScenes"); }, paintingScene, nullptr, nullptr}};

// Black until 1.00 s, then the painting scene until 98.00 s.
const TimelineEntry kShortShow[] = {waitUntilEntry(100), sceneEntry(0), waitUntilEntry(9800), endEntry()};

int runShortShow(FakeDisplay& display, float step, bool windowed = true) {
  gLog.clear();
  gSceneTimes.clear();
  gDirtyDepthAtScene = 0;
  gSceneDepth = nullptr;
  FakeTimerAndMusic timerAndMusic(step);
  const ShowProgram program{kPaintingScene, kShortShow};
  return runShow(display, timerAndMusic, timerAndMusic, windowed, "data", program);
}

TEST(MainLoop, StartsUpInOrderUnlessTheDisplayFails) {
  FakeDisplay failing;
  failing.opens = false;
  EXPECT_EQ(runShortShow(failing, 0.5f), kExitDisplayFailed);
  EXPECT_EQ(gLog, std::vector<std::string>{"display.open veltrane 320x240 windowed"});

  FakeDisplay display;
  EXPECT_EQ(runShortShow(display, 50.0f, false), kExitShowOver);
  const std::vector<std::string> expected = {
      "display.open veltrane 320x240 full screen", "initScenes", "music.open data/pro2.mp3", "timer.start",
      "music.play", "event", "tick", "present",  // 50 s
      "event", "tick", "present",                // 100 s: the end
      "music.close", "display.close"};
  EXPECT_EQ(gLog, expected);
  EXPECT_EQ(gSceneTimes, std::vector<float>{5000.0f});
}

TEST(MainLoop, TakesOneEventPerFrameAndQuitsBeforeTickSceneOrPresent) {
  FakeDisplay display;
  display.events = {DisplayEvent::Other, DisplayEvent::None, DisplayEvent::Other, DisplayEvent::Quit};
  EXPECT_EQ(runShortShow(display, 1.0f), kExitShowOver);
  EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "tick"), 3);
  EXPECT_EQ(display.presented.size(), 3u);
  EXPECT_EQ(gSceneTimes.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(gLog.end() - 3, gLog.end()),
            (std::vector<std::string>{"event", "music.close", "display.close"}));
}

TEST(MainLoop, EachFrameGetsItsShowTimeAndTheClosingFrameRepeatsThePicture) {
  // Worked out separately for steps of float(1 / 25) s: frames 4, 6 and 10 fall where rounding
  // the stored sum, or multiplying in float, gives another value. The sum of float steps
  // reaches 98 s in frame 2449.
  FakeDisplay display;
  EXPECT_EQ(runShortShow(display, static_cast<float>(1.0 / 25)), kExitShowOver);
  const std::vector<Presented>& shown = display.presented;
  ASSERT_EQ(shown.size(), 2450u);
  EXPECT_EQ(shown[4].info.showTimeCs, 20.0f);
  EXPECT_EQ(shown[6].info.showTimeCs, 0x1.bffffep+4f);
  EXPECT_EQ(shown[10].info.showTimeCs, 0x1.5ffffep+5f);
  EXPECT_EQ(shown[2448].info.showTimeCs, 9796.185546875f);
  std::vector<float> renderedTimes;
  for (const Presented& frame : shown) {
    EXPECT_EQ(frame.info.index, static_cast<uint64_t>(&frame - shown.data()));
    if (frame.info.sceneRendered) renderedTimes.push_back(frame.info.showTimeCs);
  }
  EXPECT_EQ(gSceneTimes, renderedTimes);  // each scene call gets its own frame's time
  EXPECT_EQ(shown[0].firstPixel | shown[0].lastPixel, 0u);  // black before the first scene
  EXPECT_EQ(gDirtyDepthAtScene, 0);  // cleared for every scene that asks for it
  EXPECT_FALSE(shown[2448].depthZero);  // the scene's depths are still there when presented
  // The closing frame: no scene call, so nothing clears the depth buffer (nothing reads it);
  // the last picture once more.
  const Presented& closing = shown.back();
  EXPECT_EQ(closing.info.showTimeCs, 9800.1865234375f);
  EXPECT_FALSE(closing.info.sceneRendered);
  EXPECT_FALSE(closing.depthZero);
  EXPECT_EQ(closing.firstPixel, gSceneTimes.size());
  EXPECT_EQ(closing.lastPixel, gSceneTimes.size());
}

}  // namespace
}  // namespace orvanta
