#include "driver/timeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvanta {
namespace {

std::vector<std::pair<std::string, float>> gCalls;

void recordA(Image&, float t) { gCalls.emplace_back("a", t); }
void recordB(Image&, float t) { gCalls.emplace_back("b", t); }

std::string currentName(const Timeline& timeline) { return sceneName(timeline.currentScene); }

TEST(Timeline, ShowScriptSwitchesScenesExactlyAtTheirTimes) {
  struct Boundary {
    float justBefore;
    float at;
    const char* before;
    const char* after;
  };
  const Boundary boundaries[] = {
      {1529.99f, 1530.0f, "intro", "tunnel"}, {2999.99f, 3000.0f, "tunnel", "blob"},
      {4599.99f, 4600.0f, "blob", "spike"},   {6199.99f, 6200.0f, "spike", "plasma"},
      {7699.99f, 7700.0f, "plasma", "cube"},  {9399.99f, 9400.0f, "cube", "end"},
  };
  Timeline timeline = createTimeline(kTimelineScript);
  EXPECT_EQ(currentName(timeline), "none");
  EXPECT_FALSE(advanceTimeline(timeline, 0.0f));
  EXPECT_EQ(currentName(timeline), "intro");
  for (const Boundary& b : boundaries) {
    EXPECT_FALSE(advanceTimeline(timeline, b.justBefore));
    EXPECT_EQ(currentName(timeline), b.before) << b.justBefore;
    EXPECT_FALSE(advanceTimeline(timeline, b.at));
    EXPECT_EQ(currentName(timeline), b.after) << b.at;
  }
  EXPECT_FALSE(advanceTimeline(timeline, 9799.99f));
  EXPECT_TRUE(advanceTimeline(timeline, 9800.0f));
}

TEST(Timeline, OneJumpPassesSeveralEntriesAndStopsAtTheNextWait) {
  Timeline timeline = createTimeline(kTimelineScript);
  EXPECT_FALSE(advanceTimeline(timeline, 5000.0f));
  EXPECT_EQ(currentName(timeline), "spike");
  EXPECT_EQ(timeline.cursor, 7u);
  EXPECT_EQ(timeline.showTimeCs, 5000.0f);
}

TEST(Timeline, EndIsFinalEvenForEarlierTimes) {
  Timeline timeline = createTimeline(kTimelineScript);
  EXPECT_TRUE(advanceTimeline(timeline, 12000.0f));
  EXPECT_EQ(currentName(timeline), "end");
  EXPECT_TRUE(advanceTimeline(timeline, 9800.0f));
  EXPECT_TRUE(advanceTimeline(timeline, 0.0f));
  EXPECT_EQ(timeline.cursor, 14u);
}

TEST(Timeline, SceneReceivesTheLatestTime) {
  const TimelineEntry script[] = {sceneEntry(recordA), waitUntilEntry(100), sceneEntry(recordB),
                                  waitUntilEntry(200), endEntry()};
  gCalls.clear();
  Timeline timeline = createTimeline(script);
  Image frame;
  EXPECT_FALSE(advanceTimeline(timeline, 42.5f));
  renderCurrentScene(timeline, frame);
  EXPECT_FALSE(advanceTimeline(timeline, 100.0f));
  renderCurrentScene(timeline, frame);
  renderCurrentScene(timeline, frame);
  EXPECT_TRUE(advanceTimeline(timeline, 250.0f));
  const std::vector<std::pair<std::string, float>> expected = {{"a", 42.5f}, {"b", 100.0f}, {"b", 100.0f}};
  EXPECT_EQ(gCalls, expected);
}

TEST(Timeline, RenderBeforeAnySceneDoesNothing) {
  const TimelineEntry script[] = {waitUntilEntry(50), sceneEntry(recordA), endEntry()};
  gCalls.clear();
  Timeline timeline = createTimeline(script);
  Image frame;
  renderCurrentScene(timeline, frame);
  EXPECT_FALSE(advanceTimeline(timeline, 49.0f));
  renderCurrentScene(timeline, frame);
  EXPECT_TRUE(gCalls.empty());
  EXPECT_TRUE(advanceTimeline(timeline, 50.0f));
  EXPECT_EQ(currentName(timeline), "none");  // a test scene, not one of the show's
}

TEST(Timeline, ScriptWithoutEndEntryEndsWhereItRunsOut) {
  const TimelineEntry script[] = {sceneEntry(recordA), waitUntilEntry(10)};
  Timeline timeline = createTimeline(script);
  EXPECT_FALSE(advanceTimeline(timeline, 9.0f));
  EXPECT_TRUE(advanceTimeline(timeline, 10.0f));
  EXPECT_TRUE(advanceTimeline(timeline, 11.0f));
  Timeline empty = createTimeline({});
  EXPECT_TRUE(advanceTimeline(empty, 0.0f));
}

}  // namespace
}  // namespace orvanta
