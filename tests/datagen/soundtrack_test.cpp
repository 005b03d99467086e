// The finished soundtrack: its length, format, level, structure and reproducibility.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datagen/music_mp3_encoder.h"
#include "datagen/music_render.h"
#include "datagen/soundtrack.h"

namespace orvanta::datagen {
namespace {

constexpr int kRate = 44100;
constexpr size_t kFrames = 98 * kRate;
constexpr std::array<double, 6> kChanges = {15.30, 30.00, 46.00, 62.00, 77.00, 94.00};

// ---- A minimal MPEG audio frame-header reader, written from the format's tables. ----

struct FrameHeader {
  int bitrateKbps = 0;
  int sampleRate = 0;
  int channelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  size_t length = 0;
};

// Accepts only MPEG-1 Layer III headers; the file must hold nothing else.
bool readHeader(const uint8_t* bytes, FrameHeader& header) {
  static constexpr int kBitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static constexpr int kRates[4] = {44100, 48000, 32000, 0};
  if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) return false;
  if (((bytes[1] >> 3) & 3) != 3 || ((bytes[1] >> 1) & 3) != 1) return false;
  header.bitrateKbps = kBitrates[bytes[2] >> 4];
  header.sampleRate = kRates[(bytes[2] >> 2) & 3];
  if (header.bitrateKbps == 0 || header.sampleRate == 0) return false;
  const int padding = (bytes[2] >> 1) & 1;
  header.channelMode = bytes[3] >> 6;
  header.length = static_cast<size_t>(144000 * header.bitrateKbps / header.sampleRate + padding);
  return true;
}

uint32_t bigEndian32(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

// ---- Measurements on the PCM, independent of the synthesiser. ----

double rmsDecibels(const std::vector<int16_t>& pcm, double from, double to) {
  const size_t first = static_cast<size_t>(from * kRate) * 2;
  const size_t last = std::min(pcm.size(), static_cast<size_t>(to * kRate) * 2);
  double sum = 0.0;
  for (size_t i = first; i < last; ++i) sum += static_cast<double>(pcm[i]) * pcm[i];
  const double rms = std::sqrt(sum / std::max<size_t>(1, last - first)) / 32768.0;
  return 20.0 * std::log10(rms + 1e-9);
}

// Loudness of a window in five rough bands, from moving averages 256, 64, 16 and 4 samples wide (their
// differences split the spectrum at about 86, 350, 1400 and 5500 Hz). In dB.
using Profile = std::array<double, 5>;

Profile bandProfile(const std::vector<int16_t>& pcm, double from, double to) {
  static constexpr size_t kWidths[4] = {256, 64, 16, 4};
  const size_t first = static_cast<size_t>(from * kRate);
  const size_t last = static_cast<size_t>(to * kRate);
  Profile energy{};
  if (first < kWidths[0] || last * 2 > pcm.size()) {
    ADD_FAILURE() << "window " << from << ".." << to << " s reaches outside the piece";
    return energy;
  }
  for (int channel = 0; channel < 2; ++channel) {
    std::array<double, 4> sums{};
    for (int k = 0; k < 4; ++k) {
      for (size_t i = first - kWidths[k]; i < first; ++i) sums[k] += pcm[i * 2 + channel];
    }
    for (size_t i = first; i < last; ++i) {
      std::array<double, 5> smooth;
      for (int k = 0; k < 4; ++k) {
        sums[k] += pcm[i * 2 + channel] - pcm[(i - kWidths[k]) * 2 + channel];
        smooth[k] = sums[k] / kWidths[k];
      }
      smooth[4] = pcm[i * 2 + channel];
      energy[0] += smooth[0] * smooth[0];
      for (int band = 1; band < 5; ++band) {
        const double part = smooth[band] - smooth[band - 1];
        energy[band] += part * part;
      }
    }
  }
  Profile decibels;
  for (int band = 0; band < 5; ++band) {
    decibels[band] = 10.0 * std::log10(energy[band] / (2.0 * (last - first)) + 1.0);
  }
  return decibels;
}

double profileDistance(const Profile& a, const Profile& b) {
  double distance = 0.0;
  for (int band = 0; band < 5; ++band) distance += std::fabs(a[band] - b[band]);
  return distance;
}

// Difference between the two seconds before `t` and the two after it.
double changeAt(const std::vector<int16_t>& pcm, double t) {
  return profileDistance(bandProfile(pcm, t - 2.0, t), bandProfile(pcm, t, t + 2.0));
}

// The piece is rendered and encoded once for all the checks.
class Soundtrack : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pcm_ = renderSoundtrackPcm();
    std::string error;
    ASSERT_TRUE(encodeMp3(pcm_, Mp3Settings(), mp3_, error)) << error;
  }
  inline static std::vector<int16_t> pcm_;
  inline static std::vector<uint8_t> mp3_;
};

TEST_F(Soundtrack, FillsNinetyEightSecondsWithoutClippingAndEndsInSilence) {
  ASSERT_EQ(pcm_.size(), kFrames * 2);  // stereo
  int peak = 0;
  for (int16_t sample : pcm_) peak = std::max(peak, std::abs(static_cast<int>(sample)));
  EXPECT_LT(peak, 32767 * 0.95) << "the limiter should keep a margin below full scale";
  EXPECT_GT(peak, 32767 * 0.5);
  EXPECT_GT(rmsDecibels(pcm_, 0.0, 98.0), -20.0);
  double start = 0.0;
  for (double change : kChanges) {
    EXPECT_GT(rmsDecibels(pcm_, start + 0.5, change), -32.0) << "section from " << start;
    start = change;
  }
  // It starts without a click; the outro fades second by second into silence.
  EXPECT_LT(std::abs(static_cast<int>(pcm_[0])), 4);
  for (double t = 95.0; t < 98.0; t += 1.0) {
    EXPECT_LT(rmsDecibels(pcm_, t, t + 1.0), rmsDecibels(pcm_, t - 1.0, t) - 1.0) << "at " << t;
  }
  EXPECT_EQ(pcm_.end()[-1], 0);
  EXPECT_EQ(pcm_.end()[-2], 0);
  EXPECT_LT(rmsDecibels(pcm_, 97.95, 98.0), -60.0);
}

TEST_F(Soundtrack, EverySceneChangeIsHeard) {
  // How much the sound moves inside each section, measured every half second away from its edges.
  std::vector<std::vector<double>> moves;
  double start = 0.0;
  for (double change : kChanges) {
    moves.emplace_back();
    for (double t = start + 2.5; t <= change - 2.0; t += 0.5) moves.back().push_back(changeAt(pcm_, t));
    start = change;
  }
  moves.emplace_back();  // the outro is too short to measure inside
  // Each change must stand well clear of what is typical for the two sections it joins.
  for (size_t i = 0; i < kChanges.size(); ++i) {
    std::vector<double> around = moves[i];
    around.insert(around.end(), moves[i + 1].begin(), moves[i + 1].end());
    std::nth_element(around.begin(), around.begin() + around.size() / 2, around.end());
    const double typical = around[around.size() / 2];
    EXPECT_GT(changeAt(pcm_, kChanges[i]), 4.0 * typical) << "change at " << kChanges[i] << " s";
  }
}

TEST_F(Soundtrack, Mp3IsConstantBitrateStereoAt44100AndTellsItsExactLength) {
  const std::vector<uint8_t>& mp3 = mp3_;
  size_t offset = 0, frames = 0;
  while (offset + 4 <= mp3.size()) {
    FrameHeader header;
    ASSERT_TRUE(readHeader(&mp3[offset], header)) << "no frame header at byte " << offset;
    EXPECT_EQ(header.sampleRate, 44100);
    EXPECT_EQ(header.bitrateKbps, 192);
    EXPECT_NE(header.channelMode, 3) << "mono frame";
    offset += header.length;
    ++frames;
  }
  EXPECT_EQ(offset, mp3.size()) << "the last frame is cut short";
  // The first frame holds the Info tag (after the header and 32 bytes of stereo side
  // information), then come audio frames for 98 s plus the encoder's delay.
  const uint8_t* tag = mp3.data() + 4 + 32;
  ASSERT_EQ(std::string(reinterpret_cast<const char*>(tag), 4), "Info");
  ASSERT_EQ(bigEndian32(tag + 4) & 0xF, 0xFu) << "frames, bytes, table of contents and quality present";
  EXPECT_EQ(bigEndian32(tag + 8), frames - 1);
  EXPECT_EQ(bigEndian32(tag + 12), mp3.size());
  const uint8_t* extension = tag + 8 + 4 + 4 + 100 + 4;
  ASSERT_EQ(std::string(reinterpret_cast<const char*>(extension), 4), "LAME");
  const uint8_t* gap = extension + 21;
  const size_t delay = (gap[0] << 4) | (gap[1] >> 4), padding = ((gap[1] & 0xF) << 8) | gap[2];
  EXPECT_EQ((frames - 1) * 1152 - delay - padding, kFrames);
}

TEST_F(Soundtrack, WritingTheFileAgainGivesTheSameBytes) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("orvanta_soundtrack_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "pro2.mp3").string();
  std::string error;
  ASSERT_TRUE(writeSoundtrack(path, error)) << error;
  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(written == mp3_) << "a second run made different bytes";
  std::filesystem::remove_all(folder);
}

TEST(SoundtrackFile, FailuresAreReportedAndLeaveNoFile) {
  const std::filesystem::path missing =
      std::filesystem::temp_directory_path() / "orvanta_no_such_folder" / "deeper" / "pro2.mp3";
  std::string error;
  EXPECT_FALSE(writeSoundtrack(missing.string(), error));
  EXPECT_NE(error.find(missing.string()), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(missing));
  std::vector<uint8_t> mp3;
  error.clear();
  EXPECT_FALSE(encodeMp3(std::vector<int16_t>(3, 0), Mp3Settings(), mp3, error));  // half a stereo frame
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace orvanta::datagen
