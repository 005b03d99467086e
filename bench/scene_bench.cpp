// The show with its real data set: each scene's frames as the show draws them at 60 fps, the
// start-up up to the first frame, the whole offline show, and the capture tool's frame hash.
// The data set is the one the golden test makes (build/<preset>/tests/golden/data) unless
// ORVANTA_DATA names another folder. tools/bench-table prints the table.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_data.h"
#include "driver/frame_hash_batch.h"
#include "driver/offline_run.h"
#include "driver/show.h"
#include "driver/timeline.h"
#include "image/image.h"

namespace orvanta {
namespace {

using bench::dataDirectory;
using bench::dataSetPresent;

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
  return values[middle];
}

struct SceneSpan {
  const char* name;
  float fromCs;
  float toCs;
};

// Each scene of the script, from its start to the wait that ends it.
std::vector<SceneSpan> sceneSpans() {
  std::vector<SceneSpan> spans;
  for (size_t i = 0; i < std::size(kTimelineScript); ++i) {
    const TimelineEntry& entry = kTimelineScript[i];
    if (entry.kind != TimelineKind::Scene || i + 1 >= std::size(kTimelineScript)) continue;
    spans.push_back({sceneName(kSceneTable, entry.scene), sceneStartCs(kTimelineScript, entry.scene),
                     static_cast<float>(kTimelineScript[i + 1].value)});
  }
  return spans;
}

const std::vector<SceneSpan>& scenes() {
  static const std::vector<SceneSpan> spans = sceneSpans();
  return spans;
}

// The show times of a scene's frames at 60 fps, as the show's steps carry them.
std::vector<float> sceneFrameTimes(const SceneSpan& scene) {
  std::vector<float> times;
  for (const ShowStep& step : Show::plannedSteps(OfflineRunner::stepSecondsFor(60))) {
    if (step.showTimeCs >= scene.fromCs && step.showTimeCs < scene.toCs) times.push_back(step.showTimeCs);
  }
  return times;
}

// One show, loaded once as at start-up.
Show* loadedShow() {
  static Show* show = dataSetPresent() ? new Show(dataDirectory()) : nullptr;
  return show;
}

// One frame per iteration, stepping through the scene's frames at 60 fps (and round again);
// the reported time is CPU time per frame, with the median over all frames as a counter.
void BM_SceneFrame(benchmark::State& state) {
  const SceneSpan& scene = scenes()[static_cast<size_t>(state.range(0))];
  state.SetLabel(scene.name);
  Show* show = loadedShow();
  if (show == nullptr) {
    state.SkipWithError("no data set: build orvanta_golden_data or set ORVANTA_DATA");
    return;
  }
  const std::vector<float> times = sceneFrameTimes(scene);
  const float step = static_cast<float>(1.0 / 60.0);
  std::vector<double> perFrame;
  perFrame.reserve(static_cast<size_t>(state.max_iterations));
  show->seek(scene.fromCs / 100.0f);
  for (auto _ : state) {
    double start = threadCpuSeconds();
    const ShowStep taken = show->step(step);
    double seconds = threadCpuSeconds() - start;
    if (!taken.rendered || taken.showTimeCs >= scene.toCs) {
      // That step drew the next scene's frame (or none): round again and time the scene's
      // first frame instead.
      show->seek(scene.fromCs / 100.0f);
      start = threadCpuSeconds();
      show->step(step);
      seconds = threadCpuSeconds() - start;
    }
    state.SetIterationTime(seconds);
    perFrame.push_back(seconds);
  }
  state.counters["median_ms"] = median(perFrame) * 1000.0;
  state.counters["frames"] = static_cast<double>(times.size());
}

void registerSceneBenchmarks() {
  for (int index = 0; index < static_cast<int>(scenes().size()); ++index) {
    const auto frames = static_cast<benchmark::IterationCount>(sceneFrameTimes(scenes()[index]).size());
    benchmark::RegisterBenchmark((std::string("BM_SceneFrame/") + scenes()[index].name).c_str(), BM_SceneFrame)
        ->Arg(index)
        ->Iterations(2 * frames)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
}

struct ChildReport {
  double startUpCpuSeconds = 0.0;
  double cpuSeconds = 0.0;
  double frames = 0.0;
};

// Counts the drawn frames and notes when the first was drawn; every one is hashed, as
// `orvanta_capture --hashes` does.
class TimingSink final : public OfflineSink {
 public:
  TimingSink(ChildReport& report, double startCpu, bool wholeShow)
      : report_(report), startCpu_(startCpu), wholeShow_(wholeShow) {}
  bool wantsHash(const ShowStep&) override { return true; }
  bool take(const ShowStep& step, const Image&) override {
    if (!step.rendered) return true;
    if (report_.frames == 0.0) report_.startUpCpuSeconds = threadCpuSeconds() - startCpu_;
    report_.frames += 1.0;
    return wholeShow_;
  }

 private:
  ChildReport& report_;
  double startCpu_;
  bool wholeShow_;
};

ChildReport runOffline(bool wholeShow) {
  ChildReport report;
  const double startCpu = threadCpuSeconds();
  Show show(dataDirectory());
  OfflineRunner runner(60);
  TimingSink sink(report, startCpu, wholeShow);
  runner.run(show, sink);
  report.cpuSeconds = threadCpuSeconds() - startCpu;
  return report;
}

// Runs the show in a fresh child process, so that every run starts from nothing, and reads
// back its figures; the child's peak memory comes from the kernel.
bool runShowInChild(bool wholeShow, ChildReport& report, long& peakKib) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    close(channel[0]);
    const ChildReport out = runOffline(wholeShow);
    const bool written = write(channel[1], &out, sizeof out) == static_cast<ssize_t>(sizeof out);
    _exit(written ? 0 : 1);
  }
  close(channel[1]);
  const bool read = ::read(channel[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report);
  close(channel[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  peakKib = usage.ru_maxrss;
  return read && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Start-up: the frame, the depth buffer, every scene's loads, and the first frame drawn.
void BM_StartUp(benchmark::State& state) {
  if (!dataSetPresent()) {
    state.SkipWithError("no data set: build orvanta_golden_data or set ORVANTA_DATA");
    return;
  }
  std::vector<double> runs;
  for (auto _ : state) {
    ChildReport report;
    long peakKib = 0;
    if (!runShowInChild(false, report, peakKib)) {
      state.SkipWithError("the show's child process failed");
      return;
    }
    state.SetIterationTime(report.startUpCpuSeconds);
    runs.push_back(report.startUpCpuSeconds);
  }
  state.counters["median_ms"] = median(runs) * 1000.0;
}
BENCHMARK(BM_StartUp)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

// The whole show at 60 fps with a hash of every frame, as `orvanta_capture --hashes` runs it.
void BM_WholeShow(benchmark::State& state) {
  if (!dataSetPresent()) {
    state.SkipWithError("no data set: build orvanta_golden_data or set ORVANTA_DATA");
    return;
  }
  std::vector<double> runs;
  long peak = 0;
  for (auto _ : state) {
    ChildReport report;
    long peakKib = 0;
    if (!runShowInChild(true, report, peakKib) || report.frames != 5879.0) {
      state.SkipWithError("the show's child process failed");
      return;
    }
    state.SetIterationTime(report.cpuSeconds);
    runs.push_back(report.cpuSeconds);
    peak = std::max(peak, peakKib);
  }
  state.counters["median_s"] = median(runs);
  state.counters["best_s"] = *std::min_element(runs.begin(), runs.end());
  state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
}
BENCHMARK(BM_WholeShow)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The capture tool's fingerprint, per frame, hashed side by side as the whole-show run hashes
// them. Each frame differs from the one before, or the batch would take it as a repeat.
void BM_FrameHash(benchmark::State& state) {
  const size_t count = static_cast<size_t>(kFrameWidth) * kFrameHeight;
  std::vector<uint32_t> pixels(count);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i * 2654435761u);
  FrameHashBatch batch(count);
  uint64_t tag = 0;
  for (auto _ : state) {
    pixels[0] = static_cast<uint32_t>(tag);
    batch.add(pixels.data(), tag++);
    benchmark::DoNotOptimize(batch.results());
  }
}
BENCHMARK(BM_FrameHash)->Unit(benchmark::kMillisecond);

const bool kRegistered = (registerSceneBenchmarks(), true);

}  // namespace
}  // namespace orvanta
