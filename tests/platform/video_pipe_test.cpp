#include "capture/video_pipe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orvanta {
namespace {

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A stand-in for ffmpeg: copies its input to the last argument, then exits with `status`.
std::string writeFakeEncoder(const std::string& directory, int status) {
  const std::string path = directory + "/fake_encoder_" + std::to_string(status);
  std::ofstream script(path);
  script << "#!/bin/sh\nfor last; do :; done\ncat > \"$last\"\nexit " << status << "\n";
  script.close();
  chmod(path.c_str(), 0755);
  return path;
}

class VideoPipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = ::testing::TempDir() + "orvanta_video_" + std::to_string(getpid());
    mkdir(directory.c_str(), 0755);
    settings.file = directory + "/show.mp4";
    settings.fps = 10;
    settings.width = 4;
    settings.height = 2;
    settings.soundtrack = directory + "/no_soundtrack.mp3";
  }
  void TearDown() override { std::remove(settings.file.c_str()); }

  std::string directory;
  VideoSettings settings;
  const std::vector<uint32_t> frame = {1, 2, 3, 4, 5, 6, 7, 8};
};

TEST_F(VideoPipeTest, FinishedVideoGetsItsNameOnlyAfterSuccess) {
  settings.ffmpeg = writeFakeEncoder(directory, 0);
  VideoPipe video;
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(video.start(settings)) << video.error();
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(video.partialFile(), directory + "/show.partial.mp4");
  EXPECT_TRUE(video.write(frame.data()));
  EXPECT_TRUE(video.write(frame.data()));
  EXPECT_FALSE(exists(settings.file));
  ASSERT_TRUE(video.finish()) << video.error();
  EXPECT_TRUE(exists(settings.file));
  EXPECT_FALSE(exists(video.partialFile()));
  std::ifstream written(settings.file, std::ios::binary);
  std::stringstream bytes;
  bytes << written.rdbuf();
  EXPECT_EQ(bytes.str().size(), 2 * frame.size() * sizeof(uint32_t));
}

TEST_F(VideoPipeTest, FailedEncoderLeavesNoFileAndSaysSo) {
  settings.ffmpeg = writeFakeEncoder(directory, 3);
  VideoPipe video;
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(video.start(settings));
  ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(video.write(frame.data()));
  EXPECT_FALSE(video.finish());
  EXPECT_NE(video.error().find("status 3"), std::string::npos) << video.error();
  EXPECT_FALSE(exists(settings.file));
  EXPECT_FALSE(exists(video.partialFile()));
}

TEST_F(VideoPipeTest, AbandonedVideoLeavesNoFile) {
  settings.ffmpeg = writeFakeEncoder(directory, 0);
  {
    VideoPipe video;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(video.start(settings));
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(video.write(frame.data()));
  }
  EXPECT_FALSE(exists(settings.file));
  EXPECT_FALSE(exists(directory + "/show.partial.mp4"));
}

TEST(FindProgram, SearchesThePath) {
  EXPECT_FALSE(findProgram("sh").empty());
  EXPECT_EQ(findProgram("orvanta-no-such-program"), "");
  EXPECT_EQ(findProgram("/bin/sh"), "/bin/sh");
  EXPECT_EQ(findProgram("/nonexistent/ffmpeg"), "");
  EXPECT_EQ(partialFileName("out/show.mp4"), "out/show.partial.mp4");
  EXPECT_EQ(partialFileName("clip"), "clip.partial");
}

}  // namespace
}  // namespace orvanta
