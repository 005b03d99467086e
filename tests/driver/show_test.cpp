#include "driver/show.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "driver/offline_run.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

// What the fake scenes were asked to do, in order.
struct Call {
  std::string what;
  float a, b;
  bool operator==(const Call&) const = default;
};
std::vector<Call> gCalls;

template <int kScene>
void paint(ShowScenes&, SceneFrame& out, float t) {
  gCalls.push_back({"render " + std::to_string(kScene), t, 0.0f});
  out.image.fill(static_cast<uint32_t>(kScene + 1));
  out.target().depth.values[0] = 7;  // must be cleared again before the next scene call
}

template <int kScene>
void noteSeek(ShowScenes&, float startCs, float timeCs) {
  gCalls.push_back({"seek " + std::to_string(kScene), startCs, timeCs});
}

const SceneEntry kFakeScenes[] = {
    {"first", [](ShowScenes&, SceneLoader&) { gCalls.push_back({"load 0", 0, 0}); }, paint<0>, noteSeek<0>, nullptr},
    {"second", [](ShowScenes&, SceneLoader&) { gCalls.push_back({"load 1", 0, 0}); }, paint<1>, nullptr, nullptr},
    {"third", nullptr, paint<2>, noteSeek<2>, nullptr},
};
// Black until 0.5 s, first until 1 s, second until 2 s; the third scene never plays.
const TimelineEntry kFakeScript[] = {waitUntilEntry(50), sceneEntry(0), waitUntilEntry(100),
                                     sceneEntry(1),      waitUntilEntry(200), endEntry()};
const ShowProgram kFakeProgram{kFakeScenes, kFakeScript};

TEST(Show, LoadsInTableOrderAndStepsWithTheLoopsShowTime) {
  gCalls.clear();
  Show show("nowhere", kFakeProgram);
  EXPECT_EQ(gCalls, (std::vector<Call>{{"load 0", 0, 0}, {"load 1", 0, 0}}));
  EXPECT_EQ(show.soundtrackPath(), "nowhere/pro2.mp3");
  EXPECT_EQ(show.loaderMessages(), 0);
  EXPECT_EQ(show.frame().width, kFrameWidth);
  EXPECT_EQ(show.frame().pixels[0], 0u);

  gCalls.clear();
  // 0.3 s: float(0.3) * 100 in double is 30.0000011920929, whose nearest float is 30.000002
  // and the float sum carries on.
  ShowStep step = show.step(0.3f);
  EXPECT_EQ(step.index, 0u);
  EXPECT_EQ(step.showTimeCs, 30.000002f);
  EXPECT_STREQ(step.scene, "none");
  EXPECT_FALSE(step.rendered);
  EXPECT_FALSE(step.ended);
  EXPECT_TRUE(gCalls.empty());
  // 0.3f + 0.3f = 0.6000000238418579 exactly in double; its float is 0.6000000238418579 too,
  // and 60.00000238418579 cs rounds to the float 60.000004.
  step = show.step(0.3f);
  EXPECT_EQ(step.showTimeCs, 60.000004f);
  EXPECT_EQ(show.showSeconds(), 0.6000000238418579f);
  EXPECT_STREQ(step.scene, "first");
  EXPECT_TRUE(step.rendered);
  EXPECT_EQ(show.frame().pixels[0], 1u);
  step = show.step(1.0f);  // 1.6 s: the second scene
  EXPECT_STREQ(step.scene, "second");
  EXPECT_EQ(step.index, 2u);
  EXPECT_EQ(show.frame().pixels[kFrameWidth * kFrameHeight - 1], 2u);
  EXPECT_EQ(gCalls, (std::vector<Call>{{"render 0", 60.000004f, 0}, {"render 1", 160.0f, 0}}));
  EXPECT_EQ(gCalls[1].a, step.showTimeCs);  // each scene call gets its own step's time

  // The closing frame: no scene call, the last picture kept; later steps repeat it.
  gCalls.clear();
  const ShowStep closing = show.step(0.5f);
  EXPECT_TRUE(closing.ended);
  EXPECT_FALSE(closing.rendered);
  EXPECT_STREQ(closing.scene, "second");
  EXPECT_EQ(closing.showTimeCs, 210.0f);
  const ShowStep after = show.step(5.0f);
  EXPECT_TRUE(after.ended);
  EXPECT_EQ(after.index, closing.index);
  EXPECT_EQ(after.showTimeCs, closing.showTimeCs);
  EXPECT_EQ(show.showSeconds(), 2.1f);
  EXPECT_TRUE(gCalls.empty());
  EXPECT_EQ(show.frame().pixels[0], 2u);
}

TEST(Show, SeekClampsWalksTheScriptAgainAndLetsAnEndedShowPlayOn) {
  gCalls.clear();
  Show show("nowhere", kFakeProgram);
  while (!show.step(0.25f).ended) {
  }
  gCalls.clear();
  show.seek(0.75f);
  // Every scene with first-frame state hears where it starts and where the show now is; a
  // scene the script never plays starts never.
  EXPECT_EQ(gCalls, (std::vector<Call>{{"seek 0", 50.0f, 75.0f}, {"seek 2", kNever, 75.0f}}));
  EXPECT_EQ(show.showSeconds(), 0.75f);
  gCalls.clear();
  ShowStep step = show.step(0.0f);
  EXPECT_FALSE(step.ended);
  EXPECT_STREQ(step.scene, "first");
  EXPECT_EQ(gCalls, (std::vector<Call>{{"render 0", 75.0f, 0}}));

  for (const auto& [asked, expected] : std::vector<std::pair<float, float>>{
           {-3.0f, 0.0f}, {std::numeric_limits<float>::quiet_NaN(), 0.0f}, {2.0f, 2.0f}, {99.0f, 2.0f},
           {std::numeric_limits<float>::infinity(), 2.0f}}) {
    show.seek(asked);
    EXPECT_EQ(show.showSeconds(), expected) << asked;
  }
  // At the very end, the next step is the closing one.
  step = show.step(0.0f);
  EXPECT_TRUE(step.ended);
  EXPECT_FALSE(step.rendered);
  show.seek(0.0f);
  step = show.step(0.1f);
  EXPECT_STREQ(step.scene, "none");
  EXPECT_FALSE(step.ended);
  EXPECT_EQ(Show::lengthSeconds(), 98.0f);
}

TEST(Show, CountsItsLoaderMessagesAndPassesThemOn) {
  static int hooked = 0;
  hooked = 0;
  setMessageHook([](const char*, const char*) { ++hooked; });
  testing::ScratchFolder empty;
  {
    Show show(empty.path());  // every picture and model of the show is missing
    EXPECT_EQ(show.loaderMessages(), 33);
    EXPECT_EQ(hooked, 33);
    // The show still plays, over pictures it does not have.
    const ShowStep step = show.step(0.5f);
    EXPECT_STREQ(step.scene, "intro");
    EXPECT_TRUE(step.rendered);
  }
  setMessageHook(nullptr);
}

// A scene's first-frame flash, through a jump: armed again for a scene still to come, begun at
// the scene's start for the one playing.
TEST(Show, SeekPutsTheFlashWhereAnUnbrokenRunWouldHaveIt) {
  FlashIn flash;
  flash.armed = false;
  flash.seek(1530.0f, 1000.0f);
  EXPECT_TRUE(flash.armed);
  flash.seek(1530.0f, 1560.0f);
  EXPECT_FALSE(flash.armed);
  EXPECT_EQ(flash.startTime, 1530.0f);
  EXPECT_EQ(flash.duration, 60.0f);
  flash.seek(kNever, 1560.0f);
  EXPECT_TRUE(flash.armed);
}

// A scene that draws numbers and counts its frames, with a skip that says so.
struct Counted {
  static inline int frames = 0;
  static void render(ShowScenes&, SceneFrame& out, float) {
    ++frames;
    out.image.fill(static_cast<uint32_t>(out.random.next()));
    out.random.next();
  }
  static void skip(ShowScenes&, ShowRandom& random, float, size_t) { random.discard(2); }
};
const SceneEntry kCountedScenes[] = {{"counted", nullptr, Counted::render, nullptr, Counted::skip},
                                     {"silent", nullptr, paint<1>, nullptr, nullptr}};
const TimelineEntry kCountedScript[] = {waitUntilEntry(50), sceneEntry(0), waitUntilEntry(100),
                                        sceneEntry(1),      waitUntilEntry(150), endEntry()};

TEST(Show, SkippedStepsMoveTheShowAsDrawnStepsDoWithoutDrawing) {
  const ShowProgram program{kCountedScenes, kCountedScript};
  Show drawn("nowhere", program);
  Show skipped("nowhere", program);
  const float step = 1.0f / 30.0f;
  const std::vector<ShowStep> planned = Show::plannedSteps(step, program);
  Counted::frames = 0;
  gCalls.clear();
  size_t index = 0;
  for (;; ++index) {
    const ShowStep a = drawn.step(step);
    const int framesBefore = Counted::frames;
    const ShowStep b = skipped.skip(step);
    EXPECT_EQ(Counted::frames, framesBefore) << "a skip drew";
    ASSERT_LT(index, planned.size());
    for (const ShowStep* s : {&b, &planned[index]}) {
      EXPECT_EQ(s->index, a.index);
      EXPECT_EQ(s->showTimeCs, a.showTimeCs);
      EXPECT_STREQ(s->scene, a.scene);
      EXPECT_EQ(s->rendered, a.rendered);
      EXPECT_EQ(s->ended, a.ended);
    }
    EXPECT_TRUE(drawn.checkpoint() == skipped.checkpoint()) << "after step " << index;
    if (a.ended) break;
  }
  EXPECT_EQ(index + 1, planned.size());
  EXPECT_GT(Counted::frames, 10);
  // The checkpoint sees the generator: one more draw and they differ.
  Show other("nowhere", program);
  other.step(step);
  ShowCheckpoint moved = other.checkpoint();
  ++moved.random;
  EXPECT_FALSE(moved == other.checkpoint());
  // An ended show skips no further.
  EXPECT_TRUE(skipped.skip(step).ended);
  EXPECT_TRUE(drawn.checkpoint() == skipped.checkpoint());
}

}  // namespace
}  // namespace orvanta
