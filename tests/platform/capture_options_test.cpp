#include "capture/capture_options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace orvanta {
namespace {

ParsedCaptureOptions parse(std::vector<const char*> args) {
  args.insert(args.begin(), "orvanta_capture");
  return parseCaptureOptions(static_cast<int>(args.size()), args.data());
}

using Outcome = ParsedCaptureOptions::Outcome;

TEST(CaptureOptions, DefaultsRenderTheWholeShowAtSixtyFps) {
  const ParsedCaptureOptions parsed = parse({});
  ASSERT_EQ(parsed.outcome, Outcome::Run);
  EXPECT_EQ(parsed.options.dataDirectory, "data");
  EXPECT_EQ(parsed.options.fps, 60);
  EXPECT_EQ(parsed.options.fromSeconds, 0.0);
  EXPECT_TRUE(std::isinf(parsed.options.toSeconds));
  EXPECT_TRUE(parsed.options.pngDirectory.empty());
  EXPECT_TRUE(parsed.options.videoFile.empty());
  EXPECT_TRUE(parsed.options.hashesFile.empty());
}

TEST(CaptureOptions, TakesEveryOptionSeparateOrWithEquals) {
  const ParsedCaptureOptions parsed = parse({"--data", "/tmp/d", "--fps=25", "--from", "1.5", "--to=20",
                                             "--png", "frames", "--video=show.mp4", "--hashes", "-"});
  ASSERT_EQ(parsed.outcome, Outcome::Run) << parsed.error;
  EXPECT_EQ(parsed.options.dataDirectory, "/tmp/d");
  EXPECT_EQ(parsed.options.fps, 25);
  EXPECT_EQ(parsed.options.fromSeconds, 1.5);
  EXPECT_EQ(parsed.options.toSeconds, 20.0);
  EXPECT_EQ(parsed.options.pngDirectory, "frames");
  EXPECT_EQ(parsed.options.videoFile, "show.mp4");
  EXPECT_EQ(parsed.options.hashesFile, "-");
}

TEST(CaptureOptions, RejectsBadInput) {
  const std::vector<std::vector<const char*>> bad = {
      {"--bogus"},          {"frames"},          {"--fps"},         {"--fps", "0"},     {"--fps", "1001"},
      {"--fps", "abc"},     {"--fps", "30x"},    {"--fps", "2.5"},  {"--fps", ""},      {"--from", "-1"},
      {"--from", "nan"},    {"--to", "inf"},     {"--to", "1e999"}, {"--from", "5", "--to", "5"},
      {"--from", "9", "--to", "3"}, {"--png", ""}, {"--hashes="},    {"--data"},        {"-x"},
  };
  for (const auto& args : bad) {
    const ParsedCaptureOptions parsed = parse(args);
    EXPECT_EQ(parsed.outcome, Outcome::Error) << args[0];
    EXPECT_FALSE(parsed.error.empty()) << args[0];
  }
}

TEST(CaptureOptions, HelpWinsOverEverythingElse) {
  EXPECT_EQ(parse({"--fps", "30", "--help"}).outcome, Outcome::Help);
  EXPECT_EQ(parse({"-h"}).outcome, Outcome::Help);
}

}  // namespace
}  // namespace orvanta
