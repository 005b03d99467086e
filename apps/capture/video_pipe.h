#pragma once
// Frames piped to ffmpeg, which encodes them with the soundtrack. ffmpeg writes to a temporary
// file beside the target, renamed only once ffmpeg has finished successfully, so a failed or
// interrupted capture never leaves a half-written video under the requested name.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvanta {

// The path of an executable found on PATH (or the name itself when it holds a '/'), or "".
std::string findProgram(const std::string& name);

// x264's settings for the show's pictures (see docs/SPEED.md, "Video encoding").
inline constexpr const char* kVideoPreset = "superfast";
inline constexpr int kVideoCrf = 18;

struct VideoSettings {
  std::string ffmpeg;       // path of the ffmpeg executable
  std::string file;         // the finished video
  int fps = 60;
  int32_t width = 0;
  int32_t height = 0;        // of the frames written; the video is scale times as large
  int scale = 1;            // each pixel an N x N block
  std::string soundtrack;   // empty or unreadable: a video without sound
  double soundtrackStartSeconds = 0.0;  // where in the soundtrack the first frame lies
};

class VideoPipe {
 public:
  ~VideoPipe() { abandon(); }
  bool start(const VideoSettings& settings);
  bool write(const uint32_t* pixels);
  // Waits for ffmpeg; the video gets its name only when ffmpeg succeeded.
  bool finish();
  // Stops ffmpeg and removes its output.
  void abandon();
  bool started() const { return child_ > 0; }
  const std::string& error() const { return error_; }
  const std::string& partialFile() const { return partialFile_; }

 private:
  bool closeAndWait();
  bool writeAll(const uint8_t* bytes, size_t length);

  VideoSettings settings_;
  std::string partialFile_;
  pid_t child_ = -1;
  int input_ = -1;
  bool sendsYuv420_ = false;
  std::vector<uint8_t> converted_;  // one frame in the video's layout, made once
  std::string error_;
};

std::string partialFileName(const std::string& file);

}  // namespace orvanta
