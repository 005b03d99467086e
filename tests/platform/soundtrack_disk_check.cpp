// The generated soundtrack through the real music player, written by SDL's disk audio driver:
// the samples must not be silent, must follow the soundtrack's loudness, and a start position
// must move them to that place of the soundtrack.
//   soundtrack_disk_check DATA_DIR

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datagen/music_render.h"
#include "display/music_player_sdl.h"

namespace orvanta {
namespace {

std::string gDataDirectory;
std::string gDiskFile;

constexpr int kRate = 44100;
constexpr int kWindowFrames = kRate / 2;  // loudness in half seconds

// Root mean square of each half second of 16-bit stereo samples.
std::vector<double> loudness(const std::vector<int16_t>& samples) {
  std::vector<double> windows;
  for (size_t start = 0; start + 2 * kWindowFrames <= samples.size(); start += 2 * kWindowFrames) {
    double sum = 0.0;
    for (size_t i = start; i < start + 2 * kWindowFrames; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    windows.push_back(std::sqrt(sum / (2 * kWindowFrames)));
  }
  return windows;
}

// Correlation of `a` with `b` from window `offset` on, over the length of `a`.
double correlation(const std::vector<double>& a, const std::vector<double>& b, size_t offset) {
  const size_t n = a.size();
  double meanA = 0, meanB = 0;
  for (size_t i = 0; i < n; ++i) {
    meanA += a[i];
    meanB += b[offset + i];
  }
  meanA /= n;
  meanB /= n;
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < n; ++i) {
    ab += (a[i] - meanA) * (b[offset + i] - meanB);
    aa += (a[i] - meanA) * (a[i] - meanA);
    bb += (b[offset + i] - meanB) * (b[offset + i] - meanB);
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

const std::vector<double>& soundtrackLoudness() {
  static const std::vector<double> windows = loudness(datagen::renderSoundtrackPcm());
  return windows;
}

// Plays the soundtrack from `startSeconds` until `seconds` of sound are written (or it ends);
// returns what the driver wrote.
std::vector<int16_t> playToDisk(double startSeconds, double seconds) {
  std::remove(gDiskFile.c_str());
  SdlMusicPlayer music;
  const std::string path = gDataDirectory + "/pro2.mp3";
  EXPECT_TRUE(music.open(path.c_str())) << path;
  int rate = 0, channels = 0;
  Uint16 format = 0;
  Mix_QuerySpec(&rate, &format, &channels);
  EXPECT_EQ(rate, kRate);
  EXPECT_EQ(format, AUDIO_S16SYS);
  EXPECT_EQ(channels, 2);
  music.seek(startSeconds);
  music.play();
  const auto wanted = static_cast<std::streamoff>(seconds * kRate * 4);
  for (int i = 0; i < 6000 && Mix_PlayingMusic() != 0; ++i) {
    std::ifstream written(gDiskFile, std::ios::binary | std::ios::ate);
    if (written && written.tellg() >= wanted) break;
    SDL_Delay(10);
  }
  music.close();
  std::ifstream file(gDiskFile, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  // The device runs from the opening on and, unpaced, writes silence until play: skip it.
  size_t first = 0;
  while (first < samples.size() && samples[first] == 0) ++first;
  samples.erase(samples.begin(), samples.begin() + static_cast<long>(first & ~size_t{1}));
  return samples;
}

TEST(SoundtrackOnDisk, TheWholeSoundtrackIsHeardAndFollowsTheSoundtracksLoudness) {
  const std::vector<double> heard = loudness(playToDisk(0.0, 200.0));
  const std::vector<double>& expected = soundtrackLoudness();
  ASSERT_GE(heard.size(), expected.size() - 2) << "the whole soundtrack is played";
  std::vector<double> part(heard.begin(), heard.begin() + static_cast<long>(expected.size() - 2));
  double loudest = 0.0;
  for (double level : part) loudest = std::max(loudest, level);
  EXPECT_GT(loudest, 1000.0) << "not silent";
  EXPECT_GT(correlation(part, expected, 0), 0.9);
}

TEST(SoundtrackOnDisk, AStartPositionPlaysFromThatPlace) {
  const std::vector<double> heard = loudness(playToDisk(40.0, 12.0));
  const std::vector<double>& expected = soundtrackLoudness();
  ASSERT_GE(heard.size(), 20u);
  const std::vector<double> part(heard.begin(), heard.begin() + 20);
  size_t best = 0;
  for (size_t offset = 0; offset + part.size() <= expected.size(); ++offset) {
    if (correlation(part, expected, offset) > correlation(part, expected, best)) best = offset;
  }
  EXPECT_NEAR(static_cast<double>(best), 80.0, 1.0) << "40 s in";
  EXPECT_GT(correlation(part, expected, best), 0.9);
}

}  // namespace
}  // namespace orvanta

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: soundtrack_disk_check DATA_DIR\n");
    return 2;
  }
  orvanta::gDataDirectory = argv[1];
  orvanta::gDiskFile = ::testing::TempDir() + "orvanta_disk_audio_" + std::to_string(getpid()) + ".raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", orvanta::gDiskFile.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);  // as fast as the decoder goes
  const int status = RUN_ALL_TESTS();
  std::remove(orvanta::gDiskFile.c_str());
  return status;
}
