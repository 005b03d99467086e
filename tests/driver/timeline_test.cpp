#include "driver/timeline.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace orvanta {
namespace {

std::string current(const Timeline& timeline) { return sceneName(timeline.currentScene); }

TEST(Timeline, ShowScriptSwitchesExactlyAtEachTimeAndEndsForGood) {
  struct Step {
    float timeCs;
    const char* scene;
    bool ended;
  };
  const Step steps[] = {
      {0.0f, "intro", false},     {1529.99f, "intro", false},  {1530.0f, "tunnel", false},
      {2999.99f, "tunnel", false}, {3000.0f, "blob", false},   {4599.99f, "blob", false},
      {4600.0f, "spike", false},  {6199.99f, "spike", false},  {6200.0f, "plasma", false},
      {7699.99f, "plasma", false}, {7700.0f, "cube", false},   {9399.99f, "cube", false},
      {9400.0f, "end", false},    {9799.99f, "end", false},    {9800.0f, "end", true},
      {12000.0f, "end", true},    {0.0f, "end", true},  // the end holds even for earlier times
  };
  Timeline timeline = createTimeline(kTimelineScript);
  EXPECT_EQ(current(timeline), "none");
  for (const Step& step : steps) {
    EXPECT_EQ(advanceTimeline(timeline, step.timeCs), step.ended) << step.timeCs;
    EXPECT_EQ(current(timeline), step.scene) << step.timeCs;
  }
}

TEST(Timeline, OneCallPassesSeveralEntriesAndStopsAtTheNextWait) {
  Timeline timeline = createTimeline(kTimelineScript);
  EXPECT_FALSE(advanceTimeline(timeline, 5000.0f));
  EXPECT_EQ(current(timeline), "spike");
  EXPECT_EQ(timeline.cursor, 7u);  // waiting for 62.00 s
  EXPECT_EQ(timeline.showTimeCs, 5000.0f);
}

std::vector<std::pair<char, float>> gCalls;
void sceneA(RenderTarget, float t) { gCalls.emplace_back('a', t); }
void sceneB(RenderTarget, float t) { gCalls.emplace_back('b', t); }

TEST(Timeline, ScenesGetTheLatestTimeAndAScriptEndsWhereItRunsOut) {
  const TimelineEntry script[] = {waitUntilEntry(10), sceneEntry(sceneA), waitUntilEntry(100), sceneEntry(sceneB),
                                  waitUntilEntry(200)};
  gCalls.clear();
  Timeline timeline = createTimeline(script);
  Image frame;
  DepthBuffer depth;
  const RenderTarget target{frame, depth};
  renderCurrentScene(timeline, target);  // nothing before the first scene entry
  EXPECT_FALSE(advanceTimeline(timeline, 9.0f));
  renderCurrentScene(timeline, target);
  EXPECT_FALSE(advanceTimeline(timeline, 42.5f));
  renderCurrentScene(timeline, target);
  EXPECT_FALSE(advanceTimeline(timeline, 100.0f));
  renderCurrentScene(timeline, target);
  renderCurrentScene(timeline, target);
  EXPECT_EQ(gCalls, (std::vector<std::pair<char, float>>{{'a', 42.5f}, {'b', 100.0f}, {'b', 100.0f}}));
  EXPECT_TRUE(advanceTimeline(timeline, 250.0f));
  EXPECT_TRUE(advanceTimeline(timeline, 260.0f));
  Timeline empty = createTimeline({});
  EXPECT_TRUE(advanceTimeline(empty, 0.0f));
}

}  // namespace
}  // namespace orvanta
