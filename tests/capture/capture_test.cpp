// The capture tool's parts: its command line, its hash lines and the video it hands to ffmpeg.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/capture_options.h"
#include "capture/video_pipe.h"
#include "capture/yuv420.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

ParsedCaptureOptions parse(std::vector<const char*> args) {
  args.insert(args.begin(), "orvanta_capture");
  return parseCaptureOptions(static_cast<int>(args.size()), args.data());
}

// The defaults and the plain forms are used by the end-to-end run.
TEST(CaptureOptions, TakesEveryOptionSeparateOrWithEquals) {
  const ParsedCaptureOptions parsed = parse({"--data", "/tmp/d", "--fps=25", "--from", "1.5", "--to=20", "--png",
                                             "frames", "--video=show.mp4", "--hashes", "-"});
  ASSERT_EQ(parsed.outcome, ParsedCaptureOptions::Outcome::Run) << parsed.error;
  EXPECT_EQ(parsed.options.dataDirectory, "/tmp/d");
  EXPECT_EQ(parsed.options.fps, 25);
  EXPECT_EQ(parsed.options.fromSeconds, 1.5);
  EXPECT_EQ(parsed.options.toSeconds, 20.0);
  EXPECT_EQ(parsed.options.pngDirectory, "frames");
  EXPECT_EQ(parsed.options.videoFile, "show.mp4");
  EXPECT_EQ(parsed.options.hashesFile, "-");
  EXPECT_EQ(parse({"--fps", "30", "--help"}).outcome, ParsedCaptureOptions::Outcome::Help);
  EXPECT_EQ(parse({"-h"}).outcome, ParsedCaptureOptions::Outcome::Help);
}

TEST(CaptureOptions, RejectsBadInput) {
  const std::vector<std::vector<const char*>> bad = {
      {"--bogus"},      {"frames"},        {"--fps"},         {"--fps", "0"},  {"--fps", "1001"},
      {"--fps", "abc"}, {"--fps", "30x"},  {"--fps", "2.5"},  {"--fps", ""},   {"--from", "-1"},
      {"--from", "nan"}, {"--to", "inf"},  {"--to", "1e999"}, {"--from", "5", "--to", "5"},
      {"--from", "9", "--to", "3"}, {"--png", ""}, {"--hashes="}, {"--data"},  {"-x"},
  };
  for (const auto& args : bad) {
    const ParsedCaptureOptions parsed = parse(args);
    EXPECT_EQ(parsed.outcome, ParsedCaptureOptions::Outcome::Error) << args[0];
    EXPECT_FALSE(parsed.error.empty()) << args[0];
  }
}

// ffmpeg's stand-in copies its input to its last argument, then exits with the given status.
// Only a finished, successful encoding may appear under the video's name.
TEST(VideoPipe, OnlyASuccessfulEncodingGetsTheVideosName) {
  const fs::path directory = fs::temp_directory_path() / ("orvanta_video_" + std::to_string(getpid()));
  fs::create_directories(directory);
  const std::vector<uint32_t> frame = {1, 2, 3, 4, 5, 6, 7, 8};
  struct Case {
    int status;
    bool finish;  // false: abandoned half way
  };
  for (const Case c : {Case{0, true}, Case{3, true}, Case{0, false}}) {
    const std::string encoder = (directory / ("encoder_" + std::to_string(c.status))).string();
    std::ofstream(encoder) << "#!/bin/sh\nfor last; do :; done\ncat > \"$last\"\nexit " << c.status << "\n";
    chmod(encoder.c_str(), 0755);
    const VideoSettings settings{.ffmpeg = encoder, .file = (directory / "show.mp4").string(), .fps = 10,
                                 .width = 4, .height = 2, .soundtrack = ""};
    {
      VideoPipe video;
      ::testing::internal::CaptureStderr();
      ASSERT_TRUE(video.start(settings)) << video.error();
      ::testing::internal::GetCapturedStderr();
      EXPECT_EQ(video.partialFile(), (directory / "show.partial.mp4").string());
      EXPECT_TRUE(video.write(frame.data()));
      EXPECT_TRUE(video.write(frame.data()));
      EXPECT_FALSE(fs::exists(settings.file));
      if (c.finish) {
        EXPECT_EQ(video.finish(), c.status == 0) << c.status;
        EXPECT_TRUE(c.status == 0 || video.error().find("status 3") != std::string::npos) << video.error();
      }
    }
    EXPECT_FALSE(fs::exists(directory / "show.partial.mp4")) << c.status << c.finish;
    const bool written = c.status == 0 && c.finish;
    ASSERT_EQ(fs::exists(settings.file), written) << c.status << c.finish;
    EXPECT_TRUE(!written || fs::file_size(settings.file) == 2 * yuv420Bytes(4, 2));
    fs::remove(settings.file);
  }
  fs::remove_all(directory);
}

// Frames at their own size reach ffmpeg in the video's layout; enlarged or odd-sized ones as
// they are, for ffmpeg to convert.
TEST(VideoPipe, SendsTheVideosLayoutOnlyForFramesAtTheirOwnEvenSize) {
  const fs::path directory = fs::temp_directory_path() / ("orvanta_layout_" + std::to_string(getpid()));
  fs::create_directories(directory);
  const std::string encoder = (directory / "encoder").string();
  std::ofstream(encoder) << "#!/bin/sh\nfor last; do :; done\ncat > \"$last\"\n";
  chmod(encoder.c_str(), 0755);
  const std::vector<uint32_t> frame = {0xFF0000, 0, 0xFFFFFF, 0xFFFFFF, 0xFF0000, 0, 0xFFFFFF, 0xFFFFFF, 7, 8, 9, 10};
  std::vector<uint8_t> converted(yuv420Bytes(4, 2));
  toYuv420(frame.data(), 4, 2, converted.data());
  const std::string asConverted(converted.begin(), converted.end());
  struct Case {
    int32_t width, height;
    int scale;
    bool converts;
  };
  for (const Case& c : {Case{4, 2, 1, true}, Case{4, 2, 2, false}, Case{3, 2, 1, false}, Case{4, 3, 1, false}}) {
    const VideoSettings settings{.ffmpeg = encoder, .file = (directory / "clip.mp4").string(), .fps = 10,
                                 .width = c.width, .height = c.height, .scale = c.scale, .soundtrack = ""};
    VideoPipe video;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(video.start(settings)) << video.error();
    ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(video.write(frame.data()));
    ASSERT_TRUE(video.finish()) << video.error();
    std::ifstream file(settings.file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::string asIs(reinterpret_cast<const char*>(frame.data()), static_cast<size_t>(c.width * c.height) * 4);
    EXPECT_EQ(bytes, c.converts ? asConverted : asIs) << c.width << "x" << c.height << " scale " << c.scale;
  }
  fs::remove_all(directory);
}

}  // namespace
}  // namespace orvanta
