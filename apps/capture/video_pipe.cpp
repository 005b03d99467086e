#include "capture/video_pipe.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "capture/yuv420.h"

extern char** environ;

namespace orvanta {
namespace {

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool isReadableFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0;
}

std::string formatSeconds(double seconds) {
  char text[40];
  std::snprintf(text, sizeof text, "%.6f", seconds);
  return text;
}

}  // namespace

std::string findProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return isExecutableFile(name) ? name : "";
  const char* path = std::getenv("PATH");
  if (path == nullptr) return "";
  std::string entries = path;
  size_t begin = 0;
  while (begin <= entries.size()) {
    size_t end = entries.find(':', begin);
    if (end == std::string::npos) end = entries.size();
    const std::string directory = entries.substr(begin, end - begin);
    const std::string candidate = (directory.empty() ? std::string(".") : directory) + "/" + name;
    if (isExecutableFile(candidate)) return candidate;
    begin = end + 1;
  }
  return "";
}

std::string partialFileName(const std::string& file) {
  const std::filesystem::path path(file);
  std::filesystem::path partial = path.parent_path() / path.stem();
  partial += ".partial";
  partial += path.extension();
  return partial.string();
}

bool VideoPipe::start(const VideoSettings& settings) {
  settings_ = settings;
  partialFile_ = partialFileName(settings.file);
  const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);
  // Frames at their own size go as the video's own layout; scaled ones as they are, so that
  // ffmpeg takes the colours of each enlarged pixel whole.
  sendsYuv420_ = settings.scale == 1 && hasYuv420Layout(settings.width, settings.height);
  converted_.assign(sendsYuv420_ ? yuv420Bytes(settings.width, settings.height) : 0, 0);
  std::vector<std::string> args = {settings.ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                   "-f", "rawvideo", "-pixel_format", sendsYuv420_ ? "yuv420p" : "bgr0",
                                   "-video_size", size,
                                   "-framerate", std::to_string(settings.fps), "-i", "pipe:0"};
  if (isReadableFile(settings.soundtrack)) {
    // Silence pads a soundtrack shorter than the show; the video's length decides the end.
    args.insert(args.end(), {"-ss", formatSeconds(settings.soundtrackStartSeconds), "-i", settings.soundtrack,
                             "-map", "0:v:0", "-map", "1:a:0", "-af", "apad", "-shortest"});
  } else {
    std::fprintf(stderr, "orvanta_capture: no soundtrack at %s; the video has no sound\n",
                 settings.soundtrack.c_str());
  }
  if (settings.scale > 1) {
    const std::string factor = std::to_string(settings.scale);
    args.insert(args.end(), {"-vf", "scale=iw*" + factor + ":ih*" + factor + ":flags=neighbor"});
  }
  // Browsers and phones play H.264 in 4:2:0 with AAC sound, and start before the whole file
  // has arrived when the index comes first. The AAC encoder's fast coder takes half the time
  // of its default one and is meant for bit rates as high as this.
  args.insert(args.end(), {"-c:v", "libx264", "-preset", kVideoPreset, "-crf", std::to_string(kVideoCrf),
                           "-pix_fmt", "yuv420p", "-c:a", "aac", "-aac_coder", "fast", "-b:a", "192k"});
  std::string extension = std::filesystem::path(settings.file).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".mp4" || extension == ".m4v" || extension == ".mov") {
    args.insert(args.end(), {"-movflags", "+faststart"});
  }
  args.push_back(partialFile_);

  int fds[2];
  if (pipe(fds) != 0) {
    error_ = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t child = -1;
  const int spawned = posix_spawn(&child, settings.ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[0]);
  if (spawned != 0) {
    ::close(fds[1]);
    error_ = "cannot start " + settings.ffmpeg + ": " + std::strerror(spawned);
    return false;
  }
  child_ = child;
  input_ = fds[1];
  return true;
}

bool VideoPipe::write(const uint32_t* pixels) {
  if (input_ < 0) return false;
  if (sendsYuv420_) {
    toYuv420(pixels, settings_.width, settings_.height, converted_.data());
    return writeAll(converted_.data(), converted_.size());
  }
  return writeAll(reinterpret_cast<const uint8_t*>(pixels),
                  static_cast<size_t>(settings_.width) * static_cast<size_t>(settings_.height) * sizeof(uint32_t));
}

bool VideoPipe::writeAll(const uint8_t* bytes, size_t left) {
  while (left > 0) {
    const ssize_t written = ::write(input_, bytes, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      error_ = std::string("ffmpeg stopped taking frames: ") + std::strerror(errno);
      return false;
    }
    bytes += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

bool VideoPipe::closeAndWait() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  if (child_ <= 0) return false;
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(child_, &status, 0);
  } while (waited < 0 && errno == EINTR);
  child_ = -1;
  if (waited < 0) {
    error_ = std::string("lost track of ffmpeg: ") + std::strerror(errno);
    return false;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  error_ = WIFEXITED(status) ? "ffmpeg failed with status " + std::to_string(WEXITSTATUS(status))
                             : "ffmpeg was stopped by signal " + std::to_string(WTERMSIG(status));
  return false;
}

bool VideoPipe::finish() {
  if (!closeAndWait()) {
    std::remove(partialFile_.c_str());
    return false;
  }
  std::error_code failure;
  std::filesystem::rename(partialFile_, settings_.file, failure);
  if (failure) {
    error_ = "cannot rename " + partialFile_ + " to " + settings_.file + ": " + failure.message();
    std::remove(partialFile_.c_str());
    return false;
  }
  return true;
}

void VideoPipe::abandon() {
  if (child_ <= 0 && input_ < 0) return;
  const std::string keep = error_;
  if (child_ > 0) kill(child_, SIGTERM);
  closeAndWait();
  error_ = keep;
  std::remove(partialFile_.c_str());
}

}  // namespace orvanta
