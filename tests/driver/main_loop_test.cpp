#include "driver/main_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/depth_buffer.h"
#include "driver/show_fakes.h"

namespace orvanta {
namespace {

using testing::CallLog;
using testing::FakeDisplay;
using testing::FakeMusic;
using testing::ScriptedTimer;

struct SceneCall {
  float showTimeCs;
  bool depthBufferClear;
};

CallLog* gLog = nullptr;
std::vector<SceneCall> gSceneCalls;

void recordInit() { gLog->add("initScenes"); }

// Checks the depth buffer, then dirties it and paints the frame with the call's number.
void paintingScene(Image& frame, float showTimeCs) {
  const size_t count = static_cast<size_t>(gDepthBuffer.width) * gDepthBuffer.height;
  const bool clear = std::all_of(gDepthBuffer.values, gDepthBuffer.values + count, [](int32_t v) { return v == 0; });
  gSceneCalls.push_back({showTimeCs, clear});
  std::fill_n(gDepthBuffer.values, count, 12345);
  frame.fill(static_cast<uint32_t>(gSceneCalls.size()));
}

const TimelineEntry kShortShow[] = {sceneEntry(paintingScene), waitUntilEntry(9800), endEntry()};

class MainLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog = &log;
    gSceneCalls.clear();
  }
  void TearDown() override { gLog = nullptr; }

  int run(std::vector<float> deltas, bool windowed = true) {
    ScriptedTimer timer(log, std::move(deltas));
    return runShow(display, timer, music, windowed, ShowProgram{recordInit, kShortShow});
  }

  CallLog log;
  FakeDisplay display{log};
  FakeMusic music{log};
};

TEST_F(MainLoop, StartsUpInOrderAndShutsDownAfterTheLastFrame) {
  EXPECT_EQ(run({50.0f}, false), 0);
  const std::vector<std::string> expected = {
      "display.open veltrane 320x240 full screen", "initScenes", "music.open data/pro2.mp3", "timer.start",
      "music.play",
      "event", "tick", "present",  // 50 s
      "event", "tick", "present",  // 100 s: the end
      "music.close", "display.close"};
  EXPECT_EQ(log.calls, expected);
  EXPECT_EQ(gSceneCalls.size(), 1u);
}

TEST_F(MainLoop, NothingStartsWhenTheDisplayFails) {
  display.openSucceeds = false;
  EXPECT_EQ(run({0.5f}), kExitDisplayFailed);
  const std::vector<std::string> expected = {"display.open veltrane 320x240 windowed"};
  EXPECT_EQ(log.calls, expected);
  EXPECT_TRUE(gSceneCalls.empty());
}

TEST_F(MainLoop, QuitEndsTheLoopBeforeTickSceneOrPresent) {
  display.events = {DisplayEvent::Quit};
  EXPECT_EQ(run({0.5f}), 0);
  EXPECT_EQ(log.count("tick"), 0);
  EXPECT_TRUE(display.presented.empty());
  EXPECT_TRUE(gSceneCalls.empty());
  ASSERT_GE(log.calls.size(), 2u);
  EXPECT_EQ(log.calls[log.calls.size() - 2], "music.close");
  EXPECT_EQ(log.calls.back(), "display.close");
}

TEST_F(MainLoop, TakesOneEventPerFrame) {
  display.events = {DisplayEvent::Other, DisplayEvent::None, DisplayEvent::Other, DisplayEvent::Quit};
  EXPECT_EQ(run({0.5f}), 0);
  EXPECT_EQ(log.count("event"), 4);
  EXPECT_EQ(display.presented.size(), 3u);
  EXPECT_EQ(gSceneCalls.size(), 3u);
}

TEST_F(MainLoop, ClosingFrameRepeatsThePreviousPictureWithoutASceneCall) {
  // Steps of half a second: frames at 0.5 s ... 97.5 s are drawn, the one at 98 s closes.
  EXPECT_EQ(run({0.5f}), 0);
  ASSERT_EQ(display.presented.size(), 196u);
  ASSERT_EQ(gSceneCalls.size(), 195u);
  const auto& last = display.presented.back();
  const auto& previous = display.presented[194];
  EXPECT_EQ(last.info.index, 195u);
  EXPECT_EQ(last.info.showTimeCs, 9800.0f);
  EXPECT_FALSE(last.info.sceneRendered);
  EXPECT_TRUE(previous.info.sceneRendered);
  EXPECT_EQ(previous.pixels.front(), 195u);
  EXPECT_EQ(last.pixels, previous.pixels);
  EXPECT_EQ(gSceneCalls.back().showTimeCs, 9750.0f);
  for (const auto& frame : display.presented) {
    EXPECT_EQ(frame.info.index, static_cast<uint64_t>(&frame - display.presented.data()));
  }
}

TEST_F(MainLoop, DepthBufferIsClearAtEverySceneCallAndInTheClosingFrame) {
  EXPECT_EQ(run({0.5f}), 0);
  ASSERT_FALSE(gSceneCalls.empty());
  for (const SceneCall& call : gSceneCalls) EXPECT_TRUE(call.depthBufferClear) << call.showTimeCs;
  EXPECT_TRUE(display.presented.back().depthBufferClear);
  EXPECT_FALSE(display.presented[0].depthBufferClear);  // the scene left its depths there
}

TEST_F(MainLoop, FrameStartsBlack) {
  const TimelineEntry waitFirst[] = {waitUntilEntry(100), sceneEntry(paintingScene), endEntry()};
  ScriptedTimer timer(log, {0.25f});
  runShow(display, timer, music, true, ShowProgram{recordInit, waitFirst});
  ASSERT_FALSE(display.presented.empty());
  EXPECT_FALSE(display.presented[0].info.sceneRendered);
  EXPECT_TRUE(std::all_of(display.presented[0].pixels.begin(), display.presented[0].pixels.end(),
                          [](uint32_t p) { return p == 0; }));
}

TEST_F(MainLoop, ShowTimeRoundsTheUnstoredSumTimesAHundred) {
  // Worked out separately for steps of float(1 / 25) s: frames 4, 6 and 10 fall where rounding
  // the stored sum, or multiplying in float, gives another value. 2449 frames are drawn before
  // the sum of float steps reaches 98 s.
  display.keepPixels = false;
  EXPECT_EQ(run({static_cast<float>(1.0 / 25)}), 0);
  ASSERT_EQ(display.presented.size(), 2450u);
  EXPECT_EQ(display.presented[4].info.showTimeCs, 20.0f);
  EXPECT_EQ(display.presented[6].info.showTimeCs, 0x1.bffffep+4f);
  EXPECT_EQ(display.presented[10].info.showTimeCs, 0x1.5ffffep+5f);
  EXPECT_EQ(display.presented[2448].info.showTimeCs, 9796.185546875f);
  EXPECT_EQ(display.presented[2449].info.showTimeCs, 9800.1865234375f);
  ASSERT_EQ(gSceneCalls.size(), 2449u);
  for (size_t i = 0; i < gSceneCalls.size(); ++i) {
    ASSERT_EQ(gSceneCalls[i].showTimeCs, display.presented[i].info.showTimeCs) << i;
  }
}

}  // namespace
}  // namespace orvanta
