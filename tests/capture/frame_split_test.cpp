// The capture split by frames writes what one unbroken run writes: hash lines in order and the
// same PNGs. Where a scene's fast-forward is wrong (it keeps something it does not say, or
// draws numbers its skip does not), the checks at the joins catch it and the frames are drawn
// again, still giving the unbroken run's output.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_sink.h"
#include "capture/frame_split.h"
#include "driver/offline_run.h"
#include "driver/show.h"
#include "written_files.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

// Each frame from the generator: a few draws, and the pixels from the time and one draw.
void drawsNumbers(ShowScenes&, SceneFrame& out, float t) {
  const uint32_t first = static_cast<uint32_t>(out.random.next());
  out.random.next();
  const uint32_t time = static_cast<uint32_t>(t * 1000.0f);
  for (size_t i = 0; i < out.image.pixelCount(); ++i) {
    out.image.pixels[i] = (static_cast<uint32_t>(i) * 2654435761u) ^ (time * 40503u) ^ (first << 8);
  }
}
void skipsNumbers(ShowScenes&, ShowRandom& random, float, size_t) { random.discard(2); }

// Builds on the frame before: what a scene with a missing picture can do.
void brightensTheFrameBefore(ShowScenes&, SceneFrame& out, float) {
  for (size_t i = 0; i < out.image.pixelCount(); ++i) out.image.pixels[i] += 0x010203u + static_cast<uint32_t>(i);
}

// Loads a picture that is not there when asked to: a show opened after its data changed.
bool gNextLoadFails = false;
void loadsWhatIsThere(ShowScenes&, SceneLoader& loader) {
  if (!gNextLoadFails) return;
  gNextLoadFails = false;
  Image missing;
  loader.picture(missing, "missing.tga");
}

const SceneEntry kTrueScenes[] = {{"numbers", nullptr, drawsNumbers, nullptr, skipsNumbers}};
const SceneEntry kLoadingScenes[] = {{"numbers", loadsWhatIsThere, drawsNumbers, nullptr, skipsNumbers}};
const SceneEntry kSilentSkip[] = {{"numbers", nullptr, drawsNumbers, nullptr, nullptr}};
const SceneEntry kTrailing[] = {{"numbers", nullptr, drawsNumbers, nullptr, skipsNumbers},
                                {"trail", nullptr, brightensTheFrameBefore, nullptr, nullptr}};
// Nothing until 0.3 s, then the first scene until 5 s.
const TimelineEntry kOneScene[] = {waitUntilEntry(30), sceneEntry(0), waitUntilEntry(500), endEntry()};
// The second scene already from 0.5 s: the first join, the one checked whatever the scheduler
// does, falls inside it.
const TimelineEntry kSecondSoon[] = {waitUntilEntry(30), sceneEntry(0), waitUntilEntry(50),
                                     sceneEntry(1),      waitUntilEntry(500), endEntry()};

using testing::readAll;
using testing::readFolder;

class FrameSplitRun : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() / ("orvanta_split_" + std::to_string(getpid()));
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }

  struct Written {
    std::string hashes;
    std::map<std::string, std::string> pngs;
    std::string error;
    uint64_t frames = 0;
    int redrawn = -1;
    int runs = 0;
    int checked = 0;
    int loaderMessages = 0;
  };

  // threads 0: one show stepped straight through (the reference); more: the split.
  Written capture(const std::string& name, int threads, const CaptureOptions& options, const ShowProgram& program,
                  bool png = false, std::function<std::unique_ptr<Show>()> openShow = nullptr) {
    const fs::path out = directory_ / name;
    fs::create_directories(out);
    CaptureOutputs outputs;
    std::FILE* hashes = std::fopen((out / "hashes").c_str(), "w");
    outputs.hashes = hashes;
    PngWriter writer;
    if (png) {
      EXPECT_TRUE(writer.open((out / "png").string()));
      outputs.png = &writer;
    }
    Written written;
    if (threads == 0) {
      Show show("nowhere", program);
      CaptureSink sink(options, outputs);
      OfflineRunner(options.fps).run(show, sink);
      written.error = sink.error();
      written.frames = sink.framesWritten();
    } else {
      Show first("nowhere", program);
      FrameSplit split(options, outputs, first, threads, openShow ? openShow : [&program] {
        return std::make_unique<Show>("nowhere", program);
      }, program);
      split.run();
      written.error = split.error();
      written.frames = split.framesWritten();
      written.redrawn = split.redrawnRuns();
      written.runs = split.runCount();
      written.checked = split.checkedJoins();
      written.loaderMessages = split.loaderMessages();
    }
    std::fclose(hashes);
    written.hashes = readAll(out / "hashes");
    written.pngs = readFolder(out / "png");
    return written;
  }

  fs::path directory_;
};

TEST_F(FrameSplitRun, ThreadsWriteTheUnbrokenRunsHashesAndPngs) {
  CaptureOptions options;
  options.fps = 30;
  const ShowProgram program{kTrueScenes, kOneScene};
  const Written alone = capture("alone", 0, options, program);
  ASSERT_TRUE(alone.error.empty()) << alone.error;
  ASSERT_GT(alone.frames, 120u);
  for (const int threads : {1, 2, 3}) {
    const Written split = capture("split" + std::to_string(threads), threads, options, program);
    EXPECT_TRUE(split.error.empty()) << split.error;
    EXPECT_GT(split.runs, threads) << threads;
    EXPECT_EQ(split.redrawn, 0) << threads;
    EXPECT_EQ(split.frames, alone.frames) << threads;
    EXPECT_EQ(split.hashes, alone.hashes) << threads;
  }
  // PNGs: each thread writes its own frames.
  options.fps = 15;
  const Written pngsAlone = capture("pngs_alone", 0, options, program, true);
  const Written pngsSplit = capture("pngs_split", 2, options, program, true);
  ASSERT_EQ(pngsAlone.pngs.size(), pngsAlone.frames);
  EXPECT_GT(pngsSplit.runs, 1);
  EXPECT_TRUE(pngsSplit.pngs == pngsAlone.pngs);
}

TEST_F(FrameSplitRun, ARangeDrawsFromTheStartAndWritesOnlyItsFrames) {
  CaptureOptions options;
  options.fps = 50;
  options.fromSeconds = 2.0;
  options.toSeconds = 3.5;
  const ShowProgram program{kTrueScenes, kOneScene};
  const Written alone = capture("alone", 0, options, program);
  const Written split = capture("split", 2, options, program);
  ASSERT_EQ(alone.frames, 75u);
  EXPECT_EQ(split.frames, alone.frames);
  EXPECT_EQ(split.hashes, alone.hashes);
  EXPECT_EQ(split.redrawn, 0);
}

TEST_F(FrameSplitRun, AWrongFastForwardIsCaughtAndTheFramesAreDrawnAgain) {
  CaptureOptions options;
  options.fps = 60;
  // A scene that draws numbers but says nothing of them when skipped, and a scene whose frames
  // build on the frame before.
  for (const ShowProgram program : {ShowProgram{kSilentSkip, kOneScene}, ShowProgram{kTrailing, kSecondSoon}}) {
    const bool png = program.scenes.size() == 1;  // the PNGs written first are written again
    options.fps = png ? 15 : 30;
    const Written alone = capture("alone", 0, options, program, png);
    const Written split = capture("split", 2, options, program, png);
    EXPECT_TRUE(split.error.empty()) << split.error;
    ASSERT_GT(split.checked, 0);  // each thread starts on a run of its own
    EXPECT_GT(split.redrawn, 0);
    EXPECT_EQ(split.frames, alone.frames);
    EXPECT_EQ(split.hashes, alone.hashes);
    EXPECT_TRUE(split.pngs == alone.pngs);
    fs::remove_all(directory_ / "alone");
    fs::remove_all(directory_ / "split");
  }
}

TEST_F(FrameSplitRun, AThreadWhoseShowDoesNotLoadDrawsNothingAndItsRunsAreRedrawn) {
  CaptureOptions options;
  options.fps = 30;
  const ShowProgram program{kLoadingScenes, kOneScene};
  const Written alone = capture("alone", 0, options, program);
  int opened = 0;
  const Written split = capture("split", 2, options, program, false, [&] {
    gNextLoadFails = opened++ == 0;  // the second thread's show; the redraw's loads cleanly
    return std::make_unique<Show>("nowhere", program);
  });
  EXPECT_TRUE(split.error.empty()) << split.error;
  EXPECT_EQ(opened, 2);
  EXPECT_GT(split.redrawn, 0);
  EXPECT_EQ(split.loaderMessages, 0);  // the frames written come from clean loads
  EXPECT_EQ(split.frames, alone.frames);
  EXPECT_EQ(split.hashes, alone.hashes);
}

TEST_F(FrameSplitRun, AnUnwritablePngFolderIsAnError) {
  CaptureOptions options;
  options.fps = 30;
  const ShowProgram program{kTrueScenes, kOneScene};
  PngWriter writer;
  ASSERT_TRUE(writer.open((directory_ / "png").string()));
  fs::remove_all(directory_ / "png");
  std::ofstream(directory_ / "png") << "a file where the folder was";
  CaptureOutputs outputs;
  outputs.png = &writer;
  Show first("nowhere", program);
  FrameSplit split(options, outputs, first, 2, [&program] { return std::make_unique<Show>("nowhere", program); },
                   program);
  EXPECT_FALSE(split.run());
  EXPECT_FALSE(split.error().empty());
}

}  // namespace
}  // namespace orvanta
