#include "capture/capture_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace orvanta {
namespace {

bool parseWholeNumber(const std::string& text, int largest, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < 1 || parsed > largest) return false;
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

bool hasVideoExtension(const std::string& file) {
  std::string lower = file;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string extension : {".mp4", ".m4v", ".mov", ".mkv"}) {
    if (lower.size() > extension.size() && lower.compare(lower.size() - extension.size(), extension.size(), extension) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

const char* captureUsage() {
  return "usage: orvanta_capture [--data DIR] [--fps N] [--from S] [--to S] [--scale N]\n"
         "                       [--threads N] [--png DIR] [--video FILE] [--hashes FILE|-]\n"
         "Renders the show offline at N frames per second of show time (default 60), from\n"
         "0 s to its end, and writes the frames whose show time lies in [--from, --to) seconds.\n"
         "At least one of --png, --video and --hashes is needed.\n"
         "  --data DIR      read pictures, models and soundtrack from DIR (default: data in the\n"
         "                  working folder, else the installed data set)\n"
         "  --png DIR       one PNG per frame, DIR/frame_NNNNNN.png\n"
         "  --video FILE    H.264 video (yuv420p) with the soundtrack in AAC, made by ffmpeg;\n"
         "                  FILE ends in .mp4, .m4v, .mov or .mkv\n"
         "  --hashes FILE   one line per frame: index, show time in cs, scene, FNV-1a hash\n"
         "                  of the frame at its own size; - writes to standard output\n"
         "  --scale N       PNGs and video N times as large, each pixel an N x N block\n"
         "                  (1 to 16, default 1)\n"
         "  --threads N     threads in all: for hashes and PNGs each renders and writes a share\n"
         "                  of the frames (each with its own copy of the show); with a video\n"
         "                  one renders and the others hash and encode\n"
         "                  (default: one per core; 1 does everything on one thread)\n"
         "Exit status: 0 done; 1 an output could not be written; 2 bad options, or no frame\n"
         "in the chosen range; 3 written, but a data file was missing or damaged (the loader's\n"
         "messages are on standard error), so the frames are not the show's.\n";
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
                       name == "--scale" || name == "--threads" || name == "--png" || name == "--video" ||
                       name == "--hashes";
    if (!known) return failure("unknown option '" + name + "'");
    if (!hasValue) {
      if (i + 1 >= argc) return failure(name + " needs a value");
      value = argv[++i];
    }
    if (name == "--fps") {
      if (!parseWholeNumber(value, kMaxCaptureFps, options.fps)) {
        return failure("--fps needs a whole number from 1 to " + std::to_string(kMaxCaptureFps) + ", not '" + value + "'");
      }
    } else if (name == "--scale") {
      if (!parseWholeNumber(value, kMaxCaptureScale, options.scale)) {
        return failure("--scale needs a whole number from 1 to " + std::to_string(kMaxCaptureScale) + ", not '" +
                       value + "'");
      }
    } else if (name == "--threads") {
      if (!parseWholeNumber(value, kMaxCaptureThreads, options.threads)) {
        return failure("--threads needs a whole number from 1 to " + std::to_string(kMaxCaptureThreads) + ", not '" +
                       value + "'");
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
  if (options.pngDirectory.empty() && options.videoFile.empty() && options.hashesFile.empty()) {
    return failure("nothing to write: give --png, --video or --hashes");
  }
  const std::string& video = options.videoFile;
  if (!video.empty() && !hasVideoExtension(video)) {
    return failure("--video writes H.264 with AAC sound: the file must end in .mp4, .m4v, .mov or .mkv, not '" +
                   video + "'");
  }
  return result;
}

}  // namespace orvanta
