// The loop's controls: a start time, pause and seek, with show time, scenes and music together.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/main_loop.h"

namespace orvanta {
namespace {

std::vector<float> gDrawn;  // the show time of every scene call

void notingScene(ShowScenes&, SceneFrame& out, float showTimeCs) {
  gDrawn.push_back(showTimeCs);
  out.image.fill(static_cast<uint32_t>(gDrawn.size()));
}

const SceneEntry kNotingScene[] = {{"noting", nullptr, notingScene, nullptr, nullptr}};
// One scene from 0 to 20.00 s.
const TimelineEntry kTwentySeconds[] = {sceneEntry(0), waitUntilEntry(2000), endEntry()};

struct Shown {
  float showTimeCs;
  uint32_t pixel;
};

// Events in turn, then none; every present noted.
class ScriptedDisplay final : public Display {
 public:
  bool open(const char*, int32_t, int32_t, bool) override { return true; }
  DisplayEvent takeEvent() override { return taken < events.size() ? events[taken++] : DisplayEvent::None; }
  void present(const uint32_t* pixels, const FrameInfo& info) override { shown.push_back({info.showTimeCs, pixels[0]}); }
  void close() override {}

  std::vector<DisplayEvent> events;
  size_t taken = 0;
  std::vector<Shown> shown;
};

// Steps of one second; the music notes what it is told.
struct SecondsAndMusic final : FrameTimer, MusicPlayer {
  void start() override {}
  float tick() override { return 1.0f; }
  bool open(const char*) override { return true; }
  void play() override { log.push_back("play"); }
  void close() override {}
  void pause() override { log.push_back("pause"); }
  void resume() override { log.push_back("resume"); }
  void seek(double seconds) override { log.push_back("seek " + std::to_string(static_cast<int>(seconds * 100))); }
  std::vector<std::string> log;
};

std::vector<Shown> run(std::vector<DisplayEvent> events, SecondsAndMusic& music, float start = 0.0f) {
  gDrawn.clear();
  ScriptedDisplay display;
  display.events = std::move(events);
  EXPECT_EQ(runShow(display, music, music, true, "data", ShowProgram{kNotingScene, kTwentySeconds}, start),
            kExitShowOver);
  return display.shown;
}

using E = DisplayEvent;

TEST(ShowControls, AStartTimeMovesTheShowAndTheMusicThere) {
  SecondsAndMusic music;
  const std::vector<Shown> shown = run({}, music, 15.0f);
  ASSERT_EQ(shown.size(), 5u);  // 16 ... 19 s drawn, 20 s the end
  EXPECT_EQ(gDrawn, (std::vector<float>{1600, 1700, 1800, 1900}));
  EXPECT_EQ(music.log, (std::vector<std::string>{"seek 1500", "play"}));
  // No start: the music is not told to seek.
  SecondsAndMusic fromTheStart;
  run({}, fromTheStart);
  EXPECT_EQ(fromTheStart.log, std::vector<std::string>{"play"});
}

TEST(ShowControls, APauseStopsShowTimeAndShowsTheSamePictureUntilResumed) {
  SecondsAndMusic music;
  const std::vector<Shown> shown =
      run({E::None, E::TogglePause, E::None, E::Other, E::TogglePause}, music);
  // 1 s drawn; paused for three frames, showing it again; then on from 2 s as if never paused.
  ASSERT_GE(shown.size(), 6u);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(shown[i].showTimeCs, 100.0f) << i;
    EXPECT_EQ(shown[i].pixel, 1u) << i;
  }
  EXPECT_EQ(shown[4].showTimeCs, 200.0f);
  EXPECT_EQ(gDrawn.front(), 100.0f);
  EXPECT_EQ(gDrawn[1], 200.0f);
  EXPECT_EQ(gDrawn.size(), 19u) << "every second of the show is drawn once";
  EXPECT_EQ(music.log, (std::vector<std::string>{"play", "pause", "resume"}));
}

std::vector<float> timesOf(const std::vector<Shown>& shown) {
  std::vector<float> times;
  for (const Shown& frame : shown) times.push_back(frame.showTimeCs);
  return times;
}

TEST(ShowControls, SeeksMoveShowTimeAndMusicTogetherWithinTheShow) {
  SecondsAndMusic music;
  // At 1 s back (to 0, not before), then on 5 s twice; each frame adds its second after.
  EXPECT_EQ(timesOf(run({E::None, E::SeekBackward, E::SeekForward, E::SeekForward}, music)),
            (std::vector<float>{100, 100, 700, 1300, 1400, 1500, 1600, 1700, 1800, 1900, 2000}));
  EXPECT_EQ(music.log, (std::vector<std::string>{"play", "seek 0", "seek 600", "seek 1200"}));
  // On past the end: the seek stops at 20 s, and the next step ends the show.
  SecondsAndMusic toTheEnd;
  EXPECT_EQ(timesOf(run({E::SeekForward, E::SeekForward, E::SeekForward, E::SeekForward}, toTheEnd)),
            (std::vector<float>{600, 1200, 1800, 2100}));
  EXPECT_EQ(toTheEnd.log, (std::vector<std::string>{"play", "seek 500", "seek 1100", "seek 1700", "seek 2000"}));
}

TEST(ShowControls, ASeekWhilePausedShowsTheNewTimeAndStaysPaused) {
  SecondsAndMusic music;
  const std::vector<Shown> shown =
      run({E::None, E::TogglePause, E::SeekForward, E::None, E::TogglePause}, music);
  ASSERT_GE(shown.size(), 5u);
  EXPECT_EQ(shown[1].showTimeCs, 100.0f);
  EXPECT_EQ(shown[2].showTimeCs, 600.0f) << "the picture of 6 s, drawn without a step of time";
  EXPECT_EQ(shown[3].showTimeCs, 600.0f);
  EXPECT_EQ(shown[3].pixel, shown[2].pixel);
  EXPECT_EQ(shown[4].showTimeCs, 700.0f);
  EXPECT_EQ(music.log, (std::vector<std::string>{"play", "pause", "seek 600", "resume"}));
}

}  // namespace
}  // namespace orvanta
