// orvanta_capture: runs the show offline with a fixed frame step and writes its frames.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/data_files.h"
#include "base/data_set_manifest.h"
#include "capture/capture_options.h"
#include "capture/capture_pipeline.h"
#include "capture/capture_sink.h"
#include "capture/frame_split.h"
#include "driver/offline_run.h"
#include "driver/show.h"
#include "show/show_data.h"

namespace {

using namespace orvanta;

constexpr int kExitFailed = 1;

int fail(const std::string& message) {
  std::fprintf(stderr, "orvanta_capture: %s\n", message.c_str());
  return kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  const ParsedCaptureOptions parsed = parseCaptureOptions(argc, argv);
  if (parsed.outcome == ParsedCaptureOptions::Outcome::Help) {
    std::fputs(captureUsage(), stdout);
    return 0;
  }
  if (parsed.outcome == ParsedCaptureOptions::Outcome::Error) {
    std::fprintf(stderr, "orvanta_capture: %s\n%s", parsed.error.c_str(), captureUsage());
    return kCaptureExitUsage;
  }
  CaptureOptions options = parsed.options;
  options.dataDirectory =
      chooseDataDirectory(options.dataDirectory, installedDataDirectory(ORVANTA_DATA_FROM_PROGRAM));
  if (stepsToDraw(Show::plannedSteps(OfflineRunner::stepSecondsFor(options.fps)), options) == 0) {
    std::fprintf(stderr, "orvanta_capture: no frame at %d fps lies in the chosen time range (the show is %.2f s long)\n",
                 options.fps, static_cast<double>(Show::lengthSeconds()));
    return kCaptureExitUsage;
  }
  std::signal(SIGPIPE, SIG_IGN);  // a vanished reader shows up as a failed write instead
  std::signal(SIGXFSZ, SIG_IGN);  // so does a file-size limit, instead of ending the tool

  CaptureOutputs outputs;
  VideoSettings videoSettings;
  VideoPipe video;
  if (!options.videoFile.empty()) {
    videoSettings.ffmpeg = findProgram("ffmpeg");
    if (videoSettings.ffmpeg.empty()) {
      return fail("--video needs ffmpeg, which is not installed (not found on PATH); no video was written");
    }
    videoSettings.file = options.videoFile;
    videoSettings.fps = options.fps;
    videoSettings.scale = options.scale;
    videoSettings.soundtrack = dataFilePath(options.dataDirectory, kSoundtrack);
    outputs.video = &video;
    outputs.videoSettings = &videoSettings;
  }
  PngWriter png;
  if (!options.pngDirectory.empty()) {
    if (!png.open(options.pngDirectory, options.scale)) return fail(png.error());
    outputs.png = &png;
  }
  std::FILE* hashes = nullptr;
  if (options.hashesFile == "-") {
    hashes = stdout;
  } else if (!options.hashesFile.empty()) {
    hashes = std::fopen(options.hashesFile.c_str(), "w");
    if (hashes == nullptr) return fail("cannot write " + options.hashesFile);
  }
  outputs.hashes = hashes;
  ProgressBar progress(stderr, isatty(STDERR_FILENO) != 0, Show::lengthSeconds() * 100.0f);
  outputs.progress = &progress;

  Show show(options.dataDirectory);
  OfflineRunner runner(options.fps);
  const int threads = options.threads > 0 ? options.threads : defaultCaptureThreads();
  std::string error;
  uint64_t framesWritten = 0;
  // Hashes and PNGs: frames split over the threads, each with a show of its own. The video
  // needs its frames in order through one pipe, and its encoder is the slow part anyway: the
  // show renders on one thread and the others feed the pipe. A show whose data did not load
  // cleanly stays on one renderer too (one set of loader messages, frames that may hang on
  // earlier frames).
  int splitLoaderMessages = 0;
  if (threads > 1 && outputs.video == nullptr && show.loaderMessages() == 0) {
    // The other threads open their shows while the first one draws.
    FrameSplit split(options, outputs, show, threads, [&options] { return std::make_unique<Show>(options.dataDirectory); });
    split.run();
    error = split.error();
    framesWritten = split.framesWritten();
    splitLoaderMessages = split.loaderMessages();
  } else if (threads <= 1) {
    CaptureSink sink(options, outputs);
    runner.run(show, sink);
    error = sink.error();
    framesWritten = sink.framesWritten();
  } else {
    CapturePipeline pipeline(options, outputs, threads - 1);
    runner.run(show, pipeline);
    pipeline.finish();
    error = pipeline.error();
    framesWritten = pipeline.framesWritten();
  }
  progress.finish();

  if (hashes != nullptr) {
    const bool flushed = std::fflush(hashes) == 0 && std::ferror(hashes) == 0;
    const bool closed = hashes == stdout || std::fclose(hashes) == 0;
    if (error.empty() && !(flushed && closed)) error = "cannot write the hashes to " + options.hashesFile;
  }
  const bool noFrame = error.empty() && framesWritten == 0;
  if (outputs.video != nullptr) {
    if (!error.empty() || noFrame) {
      video.abandon();
      if (!error.empty()) error += "; no video was written";
    } else if (!video.finish()) {
      error = video.error() + "; no video was written";
    }
  }
  if (!error.empty()) return fail(error);
  if (noFrame) {
    std::fprintf(stderr, "orvanta_capture: no frame lies in the chosen time range; nothing was written\n");
    return kCaptureExitUsage;
  }
  const int loaderMessages = show.loaderMessages() + splitLoaderMessages;
  if (loaderMessages > 0) {
    std::fprintf(stderr,
                 "orvanta_capture: %d data file(s) in %s missing or damaged (see above); the frames written "
                 "are not the show's\n",
                 loaderMessages, options.dataDirectory.c_str());
    return kCaptureExitLoaderMessages;
  }
  return 0;
}
