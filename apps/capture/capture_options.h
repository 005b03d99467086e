#pragma once
// Command line of the capture tool.

#include <limits>
#include <string>

namespace orvanta {

struct CaptureOptions {
  std::string dataDirectory = "data";
  int fps = 60;
  double fromSeconds = 0.0;  // frames with a show time in [from, to) are written
  double toSeconds = std::numeric_limits<double>::infinity();
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

ParsedCaptureOptions parseCaptureOptions(int argc, const char* const* argv);
const char* captureUsage();

}  // namespace orvanta
