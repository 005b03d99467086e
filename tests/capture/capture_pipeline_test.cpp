// The capture over several threads writes what one thread writes, byte for byte, and stops
// cleanly when an output fails; PNGs are scaled with whole pixels.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "capture/capture_pipeline.h"
#include "capture/capture_sink.h"
#include "capture/yuv420.h"
#include "driver/offline_run.h"
#include "driver/show.h"
#include "written_files.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace orvanta {
namespace {

namespace fs = std::filesystem;

// Every pixel and every frame different, and the same in every show.
void pattern(ShowScenes&, SceneFrame& out, float t) {
  const uint32_t time = static_cast<uint32_t>(t * 1000.0f);
  for (size_t i = 0; i < out.image.pixelCount(); ++i) {
    out.image.pixels[i] = (static_cast<uint32_t>(i) * 2654435761u) ^ (time * 40503u) ^ 0xff000000u;
  }
}
const SceneEntry kPattern[] = {{"pattern", nullptr, pattern, nullptr, nullptr}};
// Nothing until 0.3 s, then the scene until 2 s.
const TimelineEntry kScript[] = {waitUntilEntry(30), sceneEntry(0), waitUntilEntry(200), endEntry()};

using testing::readAll;
using testing::readFolder;

class CaptureRun : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() / ("orvanta_pipeline_" + std::to_string(getpid()));
    fs::remove_all(directory_);
    fs::create_directories(directory_);
    // ffmpeg's stand-in keeps the raw frames it is given.
    encoder_ = (directory_ / "encoder").string();
    std::ofstream(encoder_) << "#!/bin/sh\nfor last; do :; done\ncat > \"$last\"\n";
    chmod(encoder_.c_str(), 0755);
  }
  void TearDown() override { fs::remove_all(directory_); }

  struct Written {
    std::string hashes;
    std::string video;
    std::map<std::string, std::string> pngs;
    std::string error;
    uint64_t frames = 0;
  };

  // threads 1: the single-thread sink; more: the pipeline with threads - 1 workers.
  Written capture(const std::string& name, int threads, const CaptureOptions& options) {
    const fs::path out = directory_ / name;
    fs::create_directories(out);
    Show show("nowhere", ShowProgram{kPattern, kScript});
    CaptureOutputs outputs;
    std::FILE* hashes = std::fopen((out / "hashes").c_str(), "w");
    outputs.hashes = hashes;
    PngWriter png;
    EXPECT_TRUE(png.open((out / "png").string(), options.scale));
    outputs.png = &png;
    VideoPipe video;
    VideoSettings settings;
    settings.ffmpeg = encoder_;
    settings.file = (out / "video.mp4").string();
    settings.fps = options.fps;
    outputs.video = &video;
    outputs.videoSettings = &settings;
    Written written;
    OfflineRunner runner(options.fps);
    ::testing::internal::CaptureStderr();  // the stand-in video has no soundtrack
    if (threads == 1) {
      CaptureSink sink(options, outputs);
      runner.run(show, sink);
      written.error = sink.error();
      written.frames = sink.framesWritten();
    } else {
      CapturePipeline pipeline(options, outputs, threads - 1);
      runner.run(show, pipeline);
      pipeline.finish();
      written.error = pipeline.error();
      written.frames = pipeline.framesWritten();
    }
    ::testing::internal::GetCapturedStderr();
    std::fclose(hashes);
    if (video.started()) {
      EXPECT_TRUE(video.finish()) << video.error();
    }
    written.hashes = readAll(out / "hashes");
    written.video = readAll(out / "video.mp4");
    written.pngs = readFolder(out / "png");
    return written;
  }

  fs::path directory_;
  std::string encoder_;
};

TEST_F(CaptureRun, EveryThreadCountWritesTheSameBytesInTheSameOrder) {
  CaptureOptions options;
  options.fps = 15;  // 25 frames drawn, not a multiple of the four hashed together
  const Written alone = capture("alone", 1, options);
  ASSERT_TRUE(alone.error.empty()) << alone.error;
  ASSERT_EQ(alone.frames, 25u);
  ASSERT_EQ(alone.pngs.size(), 25u);
  EXPECT_EQ(alone.video.size(), 25u * yuv420Bytes(kFrameWidth, kFrameHeight));
  for (const int threads : {2, 4}) {
    const Written together = capture("threads" + std::to_string(threads), threads, options);
    EXPECT_TRUE(together.error.empty()) << together.error;
    EXPECT_EQ(together.frames, alone.frames) << threads;
    EXPECT_EQ(together.hashes, alone.hashes) << threads;
    EXPECT_TRUE(together.video == alone.video) << threads;
    EXPECT_TRUE(together.pngs == alone.pngs) << threads;
  }

  // A range: the same frames, fewer of them; five frames, so one short batch of hashes.
  options.fromSeconds = 1.0;
  options.toSeconds = 1.0 + 5.0 / 15.0;
  const Written rangeAlone = capture("range_alone", 1, options);
  const Written range = capture("range", 2, options);
  EXPECT_EQ(rangeAlone.frames, 5u);
  EXPECT_EQ(range.frames, 5u);
  EXPECT_EQ(range.hashes, rangeAlone.hashes);
  EXPECT_TRUE(range.video == rangeAlone.video);
  EXPECT_TRUE(range.pngs == rangeAlone.pngs);
  EXPECT_NE(alone.hashes.find(range.hashes), std::string::npos);
}

// A full disk for the hashes: the run stops with an error instead of hanging or writing on.
TEST_F(CaptureRun, AFailedOutputStopsEveryThreadWithItsError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // Long enough that stopping early shows.
  const TimelineEntry longScript[] = {waitUntilEntry(30), sceneEntry(0), waitUntilEntry(1000), endEntry()};
  for (const int threads : {1, 2, 3}) {
    Show show("nowhere", ShowProgram{kPattern, longScript});
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    CaptureOptions options;
    options.fps = 30;
    CaptureOutputs outputs;
    outputs.hashes = full;
    OfflineRunner runner(options.fps);
    uint64_t frames = 0;
    std::string error;
    if (threads == 1) {
      CaptureSink sink(options, outputs);
      runner.run(show, sink);
      error = sink.error();
      frames = sink.framesWritten();
    } else {
      CapturePipeline pipeline(options, outputs, threads - 1);
      runner.run(show, pipeline);
      pipeline.finish();
      error = pipeline.error();
      frames = pipeline.framesWritten();
    }
    std::fclose(full);
    EXPECT_NE(error.find("cannot write the hashes"), std::string::npos) << threads << ": " << error;
    // Hashes come some frames late (never more than the frames a hash batch keeps waiting), so
    // the failure shows that many frames in; the renderer stops within a few frames of it
    // rather than running to the end.
    const uint64_t lateFrames = static_cast<uint64_t>(FrameHashBatch::kMaxFrames) + 4u;
    EXPECT_LT(show.showSeconds(), static_cast<float>(lateFrames) / static_cast<float>(options.fps)) << threads;
    EXPECT_LT(frames, lateFrames) << threads;
  }
}

TEST(PngWriter, ScalesWithWholePixelBlocks) {
  const fs::path directory = fs::temp_directory_path() / ("orvanta_png_" + std::to_string(getpid()));
  const uint32_t frame[] = {0xff102030u, 0x00405060u, 0xff708090u, 0xffa0b0c0u, 0xffd0e0f0u, 0xff010203u};
  for (const int scale : {1, 3}) {
    PngWriter png;
    ASSERT_TRUE(png.open(directory.string(), scale)) << png.error();
    ASSERT_TRUE(png.write(7, frame, 3, 2)) << png.error();
    int width = 0;
    int height = 0;
    int channels = 0;
    const std::string file = (directory / "frame_000007.png").string();
    unsigned char* rgb = stbi_load(file.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(rgb, nullptr) << file;
    EXPECT_EQ(width, 3 * scale);
    EXPECT_EQ(height, 2 * scale);
    EXPECT_EQ(channels, 3);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t source = frame[(y / scale) * 3 + x / scale];
        const unsigned char* got = rgb + (y * width + x) * 3;
        wrong += got[0] != ((source >> 16) & 0xff) || got[1] != ((source >> 8) & 0xff) || got[2] != (source & 0xff);
      }
    }
    EXPECT_EQ(wrong, 0) << scale;
    stbi_image_free(rgb);
  }
  fs::remove_all(directory);
}

// A whole frame of noise, flat runs and gradients comes back from the file word for word (the
// colour bytes), whichever compressor the build has.
TEST(PngWriter, AFrameComesBackAsItWasWritten) {
  const fs::path directory = fs::temp_directory_path() / ("orvanta_png_frame_" + std::to_string(getpid()));
  constexpr int kWidth = 320;
  constexpr int kHeight = 240;
  std::vector<uint32_t> frame(kWidth * kHeight);
  uint32_t state = 12345u;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      state = state * 1664525u + 1013904223u;
      const uint32_t gradient = static_cast<uint32_t>(x) * 0x00010203u + static_cast<uint32_t>(y) * 0x00030100u;
      frame[y * kWidth + x] = y < 80 ? state : y < 160 ? gradient : 0xff336699u;
    }
  }
  PngWriter png;
  ASSERT_TRUE(png.open(directory.string(), 1)) << png.error();
  ASSERT_TRUE(png.write(0, frame.data(), kWidth, kHeight)) << png.error();
  int width = 0;
  int height = 0;
  int channels = 0;
  unsigned char* rgb = stbi_load((directory / "frame_000000.png").string().c_str(), &width, &height, &channels, 3);
  ASSERT_NE(rgb, nullptr);
  ASSERT_EQ(width, kWidth);
  ASSERT_EQ(height, kHeight);
  int wrong = 0;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const uint32_t colour = (uint32_t{rgb[3 * i]} << 16) | (uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
    wrong += colour != (frame[i] & 0x00ffffffu);
  }
  EXPECT_EQ(wrong, 0);
  stbi_image_free(rgb);
  fs::remove_all(directory);
}

}  // namespace
}  // namespace orvanta
