// The whole show at 60 frames per second on the generated data set, frame by frame against
// the committed record, the frame loop's allocations, and two shows stepped in turn.
//
//   orvanta_golden_show --data DIR --record FILE            compare (the ctest)
//   orvanta_golden_show --data DIR --record FILE --write    renew the record (tools/update-golden)

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "base/data_set_manifest.h"
#include "driver/offline_run.h"
#include "driver/show.h"
#include "golden/allocation_counter.h"

namespace orvanta::golden {
namespace {

constexpr int kRecordFps = 60;
constexpr size_t kShownDifferences = 12;

struct Settings {
  std::string dataDirectory;
  std::string recordFile;
  bool write = false;
};

Settings& settings() {
  static Settings value;
  return value;
}

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A frame a scene drew, its fingerprint and the allocations counted when it was taken.
struct FrameRecord {
  ShowStep step;
  uint64_t hash = 0;
  uint64_t allocationsBefore = 0;
};

struct RunResult {
  std::vector<FrameRecord> frames;  // in order
  uint64_t allocationsAtStart = 0;  // counted once the show and the runner were made
  double startUpCpuSeconds = 0.0;   // to the first frame drawn
  double cpuSeconds = 0.0;
  bool overflowed = false;          // more frames than a 98-second show has room for
};

// Keeps a record of every drawn frame; the records are made before the run, so taking a frame
// never allocates.
class RecordingSink final : public OfflineSink {
 public:
  RecordingSink(RunResult& result, double startCpu) : result_(result), startCpu_(startCpu) {}
  bool wantsHash(const ShowStep&) override { return true; }
  void hashed(const ShowStep& step, uint64_t hash) override {
    result_.frames[static_cast<size_t>(step.index - firstIndex_)].hash = hash;
  }
  bool take(const ShowStep& step, const Image&) override {
    if (!step.rendered) return true;  // the closing frame repeats the previous picture
    const uint64_t allocations = allocationCount();
    if (result_.frames.empty()) {
      result_.startUpCpuSeconds = threadCpuSeconds() - startCpu_;
      firstIndex_ = step.index;
    }
    if (result_.frames.size() < result_.frames.capacity()) {
      result_.frames.push_back({step, 0, allocations});
    } else {
      result_.overflowed = true;
    }
    return true;
  }

 private:
  RunResult& result_;
  double startCpu_;
  uint64_t firstIndex_ = 0;
};

RunResult runShowOffline(int fps) {
  RunResult result;
  // 98 s of frames and a few to spare; the loop itself must not grow anything.
  result.frames.reserve(static_cast<size_t>(fps) * 99 + 16);
  const double startCpu = threadCpuSeconds();
  Show show(settings().dataDirectory);
  OfflineRunner runner(fps);
  RecordingSink sink(result, startCpu);
  result.allocationsAtStart = allocationCount();
  runner.run(show, sink);
  result.cpuSeconds = threadCpuSeconds() - startCpu;
  return result;
}

RunResult& run() {
  static RunResult result;
  return result;
}

std::vector<std::string> currentLines() {
  std::vector<std::string> lines;
  lines.reserve(run().frames.size());
  for (const FrameRecord& frame : run().frames) lines.push_back(frameHashLine(frame.step, frame.hash));
  return lines;
}

bool readLines(const std::string& file, std::vector<std::string>& lines) {
  std::ifstream in(file);
  if (!in) return false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return true;
}

std::string field(const std::string& line, int index) {
  std::istringstream in(line);
  std::string word;
  for (int i = 0; i <= index && (in >> word); ++i) {
  }
  return word;
}

// A report that shows where the show first departs from the record and which scenes differ.
std::string describeDifferences(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
  std::ostringstream out;
  size_t differing = 0;
  std::map<std::string, size_t> perScene;
  std::vector<std::string> shown;
  std::string firstTimeCs;
  const size_t common = std::min(expected.size(), actual.size());
  for (size_t i = 0; i < common; ++i) {
    if (expected[i] == actual[i]) continue;
    if (differing++ == 0) firstTimeCs = field(actual[i], 1);
    ++perScene[field(actual[i], 2)];
    if (shown.size() < kShownDifferences) {
      shown.push_back("    record: " + expected[i] + "\n    now:    " + actual[i]);
    }
  }
  out << "The show departs from " << settings().recordFile << ":\n";
  out << "  " << differing << " of " << common << " frames differ";
  if (expected.size() != actual.size()) {
    out << "; the record has " << expected.size() << " frames, the show drew " << actual.size();
  }
  out << "\n";
  if (!perScene.empty()) {
    out << "  differing frames per scene:";
    for (const auto& [scene, count] : perScene) out << " " << scene << " " << count;
    out << "\n  first differing frames:\n";
    for (const std::string& line : shown) out << line << "\n";
  }
  if (expected.size() > actual.size()) {
    out << "  first missing frame: " << expected[actual.size()] << "\n";
  } else if (actual.size() > expected.size()) {
    out << "  first extra frame: " << actual[expected.size()] << "\n";
  }
  if (!firstTimeCs.empty()) {
    // Half a centisecond either side holds just that frame at 60 fps.
    const double centiseconds = std::stod(firstTimeCs);
    char command[160];
    std::snprintf(command, sizeof command, "orvanta_capture --data DIR --from %.4f --to %.4f --png OUT",
                  (centiseconds - 0.5) / 100.0, (centiseconds + 0.5) / 100.0);
    out << "To look at the first differing frame: " << command << "\n";
  }
  out << "If the change is meant, renew the record with tools/update-golden and say in the commit why the "
         "pixels changed.";
  return out.str();
}

TEST(GoldenShow, EveryFrameMatchesTheRecord) {
  std::vector<std::string> expected;
  ASSERT_TRUE(readLines(settings().recordFile, expected)) << "cannot read " << settings().recordFile;
  ASSERT_FALSE(expected.empty()) << settings().recordFile << " holds no frames";
  const std::vector<std::string> actual = currentLines();
  if (actual != expected) ADD_FAILURE() << describeDifferences(expected, actual);
}

TEST(GoldenShow, DrawsEveryScenePartOfTheShow) {
  // 98 s at a float step of 1/60 s: the sum reaches 98 s after 5879 drawn frames.
  const std::vector<FrameRecord>& frames = run().frames;
  ASSERT_FALSE(run().overflowed);
  ASSERT_EQ(frames.size(), 5879u);
  std::vector<std::string> order;
  for (const FrameRecord& frame : frames) {
    if (order.empty() || order.back() != frame.step.scene) order.push_back(frame.step.scene);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"intro", "tunnel", "blob", "spike", "plasma", "cube", "end"}));
}

TEST(GoldenShow, FrameLoopAllocatesNothing) {
  const RunResult& result = run();
  ASSERT_FALSE(result.frames.empty());
  uint64_t previous = result.allocationsAtStart;
  std::map<std::string, uint64_t> perScene;
  std::string firstFrame;
  for (const FrameRecord& frame : result.frames) {
    if (frame.allocationsBefore != previous) {
      perScene[frame.step.scene] += frame.allocationsBefore - previous;
      if (firstFrame.empty()) firstFrame = frameHashLine(frame.step, frame.hash);
    }
    previous = frame.allocationsBefore;
  }
  std::ostringstream scenes;
  for (const auto& [scene, count] : perScene) scenes << " " << scene << " " << count;
  EXPECT_TRUE(perScene.empty()) << "allocations in the frame loop per scene:" << scenes.str()
                                << "\nfirst in the frame presented as " << firstFrame;
}

// Collects the fingerprint lines of one show, stepped from outside.
struct HashLines final : OfflineSink {
  bool wantsHash(const ShowStep&) override { return true; }
  void hashed(const ShowStep& step, uint64_t hash) override { lines.push_back(frameHashLine(step, hash)); }
  bool take(const ShowStep&, const Image&) override { return true; }
  std::vector<std::string> lines;
};

// Two shows in one process share nothing: stepped in turn, a frame of one then a frame of the
// other, each draws the frames a show alone draws. A coarse step keeps the run short while
// still passing through every scene.
TEST(GoldenShow, TwoShowsSteppedInTurnDrawTheFramesOfOne) {
  constexpr int kFps = 4;
  HashLines alone;
  {
    Show show(settings().dataDirectory);
    OfflineRunner(kFps).run(show, alone);
  }
  ASSERT_GT(alone.lines.size(), 380u);

  Show first(settings().dataDirectory);
  Show second(settings().dataDirectory);
  const float step = static_cast<float>(1.0 / kFps);
  std::vector<std::string> firstLines, secondLines;
  for (bool firstEnded = false, secondEnded = false; !(firstEnded && secondEnded);) {
    for (auto [show, ended, lines] : {std::tuple{&first, &firstEnded, &firstLines},
                                      std::tuple{&second, &secondEnded, &secondLines}}) {
      if (*ended) continue;
      const ShowStep taken = show->step(step);
      *ended = taken.ended;
      const Image& frame = show->frame();
      if (taken.rendered) lines->push_back(frameHashLine(taken, frameHash(frame.pixels, frame.pixelCount())));
    }
  }
  EXPECT_EQ(firstLines, alone.lines);
  EXPECT_EQ(secondLines, alone.lines);
}

// A show fast-forwarded with skip carries what a drawn show carries, step after step through
// every scene, and a frame it draws now and then (over whatever it drew last) is the drawn
// show's frame: the capture's split over threads rests on both.
TEST(GoldenShow, SkippedStepsCarryWhatDrawnStepsCarry) {
  const float step = 1.0f / 15.0f;
  Show drawn(settings().dataDirectory);
  Show skipping(settings().dataDirectory);
  int compared = 0;
  for (uint64_t i = 0;; ++i) {
    const ShowStep taken = drawn.step(step);
    const bool drawHere = i % 37 == 36;
    if (drawHere) {
      skipping.step(step);
    } else {
      skipping.skip(step);
    }
    ASSERT_TRUE(drawn.checkpoint() == skipping.checkpoint()) << "after " << frameHashLine(taken, 0);
    if (drawHere && taken.rendered) {
      const Image& a = drawn.frame();
      const Image& b = skipping.frame();
      ASSERT_EQ(frameHash(a.pixels, a.pixelCount()), frameHash(b.pixels, b.pixelCount()))
          << "frame " << frameHashLine(taken, 0);
      ++compared;
    }
    if (taken.ended) break;
  }
  EXPECT_GT(compared, 35);
}

bool parseArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--data" && i + 1 < argc) {
      settings().dataDirectory = argv[++i];
    } else if (arg == "--record" && i + 1 < argc) {
      settings().recordFile = argv[++i];
    } else if (arg == "--write") {
      settings().write = true;
    } else {
      std::fprintf(stderr, "orvanta_golden_show: unexpected argument %s\n", arg.c_str());
      return false;
    }
  }
  if (settings().dataDirectory.empty() || settings().recordFile.empty()) {
    std::fprintf(stderr, "usage: orvanta_golden_show --data DIR --record FILE [--write]\n");
    return false;
  }
  return true;
}

bool dataSetPresent() {
  for (const DataSetFile& file : kDataSet) {
    if (file.kind == DataKind::kSoundtrack) continue;  // the offline show plays no sound
    const std::filesystem::path path = std::filesystem::path(settings().dataDirectory) / file.name;
    if (!std::filesystem::is_regular_file(path)) {
      std::fprintf(stderr, "orvanta_golden_show: %s is missing; make the data set with datagen\n",
                   path.string().c_str());
      return false;
    }
  }
  return true;
}

int writeRecord() {
  std::ofstream out(settings().recordFile, std::ios::trunc);
  for (const std::string& line : currentLines()) out << line << "\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "orvanta_golden_show: cannot write %s\n", settings().recordFile.c_str());
    return 1;
  }
  std::printf("wrote %zu frames to %s\n", run().frames.size(), settings().recordFile.c_str());
  return 0;
}

}  // namespace
}  // namespace orvanta::golden

int main(int argc, char** argv) {
  using namespace orvanta::golden;
  ::testing::InitGoogleTest(&argc, argv);
  if (!parseArguments(argc, argv)) return 2;
  if (!dataSetPresent()) return 1;

  run() = runShowOffline(kRecordFps);
  std::printf("show: %zu frames, %.2f s of CPU time, %.1f ms to the first frame\n", run().frames.size(),
              run().cpuSeconds, run().startUpCpuSeconds * 1000.0);

  if (settings().write) return writeRecord();
  return RUN_ALL_TESTS();
}
