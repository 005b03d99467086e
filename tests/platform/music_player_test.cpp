#include "driver/music_player_sdl.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orvanta {
namespace {

std::string temporaryPath(const char* name) {
  return ::testing::TempDir() + "orvanta_" + std::to_string(getpid()) + "_" + name;
}

// Half a second of a 16-bit mono tone at 44100 Hz.
void writeWave(const std::string& path) {
  const uint32_t samples = 22050;
  std::vector<int16_t> data(samples);
  for (uint32_t i = 0; i < samples; ++i) data[i] = static_cast<int16_t>((i % 100) * 300 - 15000);
  auto put32 = [](std::FILE* f, uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto put16 = [](std::FILE* f, uint16_t v) { std::fwrite(&v, 2, 1, f); };
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite("RIFF", 1, 4, file);
  put32(file, 36 + samples * 2);
  std::fwrite("WAVEfmt ", 1, 8, file);
  put32(file, 16);
  put16(file, 1);
  put16(file, 1);
  put32(file, 44100);
  put32(file, 44100 * 2);
  put16(file, 2);
  put16(file, 16);
  std::fwrite("data", 1, 4, file);
  put32(file, samples * 2);
  std::fwrite(data.data(), 2, samples, file);
  std::fclose(file);
}

TEST(SdlMusicPlayer, MissingOrUnreadableFileLeavesTheShowSilent) {
  SdlMusicPlayer music;
  EXPECT_FALSE(music.open(temporaryPath("missing.mp3").c_str()));
  music.play();
  music.close();
  music.close();

  const std::string text = temporaryPath("not_music.mp3");
  std::FILE* file = std::fopen(text.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("this is not a soundtrack\n", file);
  std::fclose(file);
  EXPECT_FALSE(music.open(text.c_str()));
  music.play();
  music.close();
  std::remove(text.c_str());
}

TEST(SdlMusicPlayer, PlaysFromTheStartAndClosesOnce) {
  const std::string path = temporaryPath("tone.wav");
  writeWave(path);
  SdlMusicPlayer music;
  ASSERT_TRUE(music.open(path.c_str()));
  EXPECT_EQ(Mix_PlayingMusic(), 0);
  music.play();
  EXPECT_EQ(Mix_PlayingMusic(), 1);
  music.close();
  music.close();
  // Reopening after a close works.
  EXPECT_TRUE(music.open(path.c_str()));
  music.close();
  std::remove(path.c_str());
}

}  // namespace
}  // namespace orvanta
