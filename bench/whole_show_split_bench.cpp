// The whole show's hashes at 60 fps over two threads, as `orvanta_capture --hashes --threads 2`
// makes them: wall time, in a fresh child process per run (the split is for both cores, so
// CPU time would not show its gain).

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_data.h"
#include "capture/frame_split.h"
#include "driver/show.h"

namespace orvanta {
namespace {

// Runs in the child: loads the show, splits it over the threads (the others open their own
// shows), writes the hashes nowhere.
int runSplit(int threads) {
  const std::string data = bench::dataDirectory();
  Show first(data);
  if (first.loaderMessages() != 0) return 1;
  CaptureOptions options;
  CaptureOutputs outputs;
  std::FILE* sink = std::fopen("/dev/null", "w");
  if (sink == nullptr) return 1;
  outputs.hashes = sink;
  FrameSplit split(options, outputs, first, threads, [&data] { return std::make_unique<Show>(data); });
  const bool done = split.run() && split.framesWritten() == 5879 && split.redrawnRuns() == 0 &&
                    split.loaderMessages() == 0;
  std::fclose(sink);
  return done ? 0 : 1;
}

void BM_WholeShowTwoThreads(benchmark::State& state) {
  std::vector<double> runs;
  long peak = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
      state.SkipWithError("fork failed");
      return;
    }
    if (child == 0) _exit(runSplit(2));
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the split run failed (no data set? build orvanta_golden_data or set ORVANTA_DATA)");
      return;
    }
    state.SetIterationTime(seconds);
    runs.push_back(seconds);
    peak = std::max(peak, usage.ru_maxrss);
  }
  state.counters["best_s"] = *std::min_element(runs.begin(), runs.end());
  state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
}
BENCHMARK(BM_WholeShowTwoThreads)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvanta
