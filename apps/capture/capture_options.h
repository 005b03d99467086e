#pragma once
// Command line of the capture tool.

#include <limits>
#include <string>

namespace orvanta {

struct CaptureOptions {
  std::string dataDirectory;  // empty: "data" here, else the installed data set
  int fps = 60;
  double fromSeconds = 0.0;  // frames with a show time in [from, to) are written
  double toSeconds = std::numeric_limits<double>::infinity();
  int scale = 1;             // PNGs and video at N times the frame's size, pixels repeated
  int threads = 0;           // 0: one per core
  std::string pngDirectory;  // empty: no PNG files
  std::string videoFile;     // empty: no video
  std::string hashesFile;    // empty: no hashes; "-": standard output
};

struct ParsedCaptureOptions {
  enum class Outcome { Run, Help, Error };
  Outcome outcome = Outcome::Run;
  CaptureOptions options;
  std::string error;  // for Error: what was wrong
};

inline constexpr int kMaxCaptureFps = 1000;
inline constexpr int kMaxCaptureScale = 16;
inline constexpr int kMaxCaptureThreads = 64;

// Exit statuses beside 0 (success) and 1 (an output could not be written).
inline constexpr int kCaptureExitUsage = 2;
inline constexpr int kCaptureExitLoaderMessages = 3;

ParsedCaptureOptions parseCaptureOptions(int argc, const char* const* argv);
const char* captureUsage();

}  // namespace orvanta
