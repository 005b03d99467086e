#include "capture/capture_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace orvanta {
namespace {

bool parseWholeNumber(const std::string& text, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < 1 || parsed > kMaxCaptureFps) return false;
  value = static_cast<int>(parsed);
  return true;
}

bool parseSeconds(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(parsed) || parsed < 0.0) return false;
  value = parsed;
  return true;
}

ParsedCaptureOptions failure(std::string error) {
  ParsedCaptureOptions result;
  result.outcome = ParsedCaptureOptions::Outcome::Error;
  result.error = std::move(error);
  return result;
}

}  // namespace

const char* captureUsage() {
  return "usage: orvanta_capture [--data DIR] [--fps N] [--from S] [--to S]\n"
         "                       [--png DIR] [--video FILE] [--hashes FILE|-]\n"
         "Renders the show offline at N frames per second of show time (default 60), from\n"
         "0 s to its end, and writes the frames whose show time lies in [--from, --to) seconds.\n"
         "  --data DIR      read pictures, models and soundtrack from DIR (default data)\n"
         "  --png DIR       one PNG per frame, DIR/frame_NNNNNN.png\n"
         "  --video FILE    a video with the soundtrack, made by ffmpeg\n"
         "  --hashes FILE   one line per frame: index, show time in cs, scene, FNV-1a hash;\n"
         "                  - writes to standard output\n";
}

ParsedCaptureOptions parseCaptureOptions(int argc, const char* const* argv) {
  ParsedCaptureOptions result;
  CaptureOptions& options = result.options;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::string value;
    bool hasValue = false;
    if (name == "-h" || name == "--help") {
      result.outcome = ParsedCaptureOptions::Outcome::Help;
      return result;
    }
    if (const size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      hasValue = true;
    }
    const bool known = name == "--data" || name == "--fps" || name == "--from" || name == "--to" ||
                       name == "--png" || name == "--video" || name == "--hashes";
    if (!known) return failure("unknown option '" + name + "'");
    if (!hasValue) {
      if (i + 1 >= argc) return failure(name + " needs a value");
      value = argv[++i];
    }
    if (name == "--fps") {
      if (!parseWholeNumber(value, options.fps)) {
        return failure("--fps needs a whole number from 1 to " + std::to_string(kMaxCaptureFps) + ", not '" + value + "'");
      }
    } else if (name == "--from" || name == "--to") {
      double& seconds = name == "--from" ? options.fromSeconds : options.toSeconds;
      if (!parseSeconds(value, seconds)) return failure(name + " needs seconds (0 or more), not '" + value + "'");
    } else if (value.empty()) {
      return failure(name + " needs a non-empty value");
    } else if (name == "--data") {
      options.dataDirectory = value;
    } else if (name == "--png") {
      options.pngDirectory = value;
    } else if (name == "--video") {
      options.videoFile = value;
    } else {
      options.hashesFile = value;
    }
  }
  if (!(options.fromSeconds < options.toSeconds)) return failure("--from must come before --to");
  return result;
}

}  // namespace orvanta
