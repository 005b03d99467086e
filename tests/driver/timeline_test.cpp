#include "driver/timeline.h"

#include <gtest/gtest.h>

#include <string>

namespace orvanta {
namespace {

std::string current(const Timeline& timeline) { return sceneName(kSceneTable, timeline.currentScene); }

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

TEST(Timeline, AScriptEndsWhereItRunsOut) {
  const TimelineEntry script[] = {waitUntilEntry(10), sceneEntry(1), waitUntilEntry(100), sceneEntry(0),
                                  waitUntilEntry(200)};
  Timeline timeline = createTimeline(script);
  EXPECT_FALSE(advanceTimeline(timeline, 9.0f));
  EXPECT_EQ(timeline.currentScene, kNoScene);
  EXPECT_FALSE(advanceTimeline(timeline, 42.5f));
  EXPECT_EQ(timeline.currentScene, 1);
  EXPECT_FALSE(advanceTimeline(timeline, 100.0f));
  EXPECT_EQ(timeline.currentScene, 0);
  EXPECT_TRUE(advanceTimeline(timeline, 250.0f));
  EXPECT_TRUE(advanceTimeline(timeline, 260.0f));
  Timeline empty = createTimeline({});
  EXPECT_TRUE(advanceTimeline(empty, 0.0f));
}

TEST(Timeline, LengthSceneStartsAndNamesComeFromTheScriptAndTheTable) {
  EXPECT_EQ(scriptLengthCs(kTimelineScript), 9800u);
  EXPECT_EQ(scriptLengthCs({}), 0u);
  EXPECT_EQ(sceneStartCs(kTimelineScript, kIntroScene), 0.0f);
  EXPECT_EQ(sceneStartCs(kTimelineScript, kTunnelScene), 1530.0f);
  EXPECT_EQ(sceneStartCs(kTimelineScript, kEndScene), 9400.0f);
  const TimelineEntry ended[] = {sceneEntry(0), waitUntilEntry(50), endEntry(), sceneEntry(1)};
  EXPECT_EQ(sceneStartCs(ended, 1), kNever);  // after the end: never played
  EXPECT_EQ(sceneStartCs(ended, 2), kNever);
  const char* names[] = {"blob", "spike", "plasma", "cube", "intro", "tunnel", "end"};
  for (int32_t id = 0; id < kSceneCount; ++id) EXPECT_STREQ(sceneName(kSceneTable, id), names[id]);
  EXPECT_STREQ(sceneName(kSceneTable, kNoScene), "none");
  EXPECT_STREQ(sceneName(kSceneTable, kSceneCount), "none");
}

}  // namespace
}  // namespace orvanta
