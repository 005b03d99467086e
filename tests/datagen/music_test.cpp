// The score's timing and the mixing desk.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "datagen/music_arrangement.h"
#include "datagen/music_mix.h"

namespace orvanta::datagen {
namespace {

TEST(Arrangement, SectionsStartOnTheSceneChangesAndBarsFillThemExactly) {
  const std::vector<Section> sections = soundtrackSections();
  ASSERT_EQ(sections.size(), 7u);
  const double starts[7] = {0.0, 15.30, 30.00, 46.00, 62.00, 77.00, 94.00};
  for (size_t i = 0; i < sections.size(); ++i) {
    EXPECT_DOUBLE_EQ(sections[i].start, starts[i]);
    EXPECT_DOUBLE_EQ(sections[i].end, i + 1 < 7 ? starts[i + 1] : 98.0);
    double t = sections[i].start;
    for (const Bar& bar : sections[i].bars) {
      EXPECT_NEAR(bar.start, t, 1e-9) << "bars must follow each other without gaps";
      t = bar.end();
    }
    EXPECT_NEAR(t, sections[i].end, 1e-9);
  }
}

TEST(Arrangement, DriveSectionsKeepNearlyOneTempo) {
  for (const Section& section : soundtrackSections()) {
    if (section.kind == SectionKind::kIntro || section.kind == SectionKind::kOutro) continue;
    EXPECT_GT(section.bpm(), 126.0);
    EXPECT_LT(section.bpm(), 128.5);
  }
}

TEST(Arrangement, SwingDelaysOnlyTheOffBeatSixteenths) {
  Bar bar;
  bar.start = 10.0;
  bar.beatSeconds = 0.5;
  EXPECT_DOUBLE_EQ(bar.stepTime(0, 0.2), 10.0);
  EXPECT_DOUBLE_EQ(bar.stepTime(2, 0.2), 10.25);
  EXPECT_DOUBLE_EQ(bar.stepTime(1, 0.2), 10.125 + 0.2 * 0.125);
  EXPECT_DOUBLE_EQ(bar.stepTime(1, 0.0), 10.125);
}

TEST(Mix, PlacesSoundsAtTheirFramePannedAndSent) {
  Mix mix(1.0);
  mix.add(std::vector<float>{1.0f}, 0.5, {0.5f, -1.0f, 0.0f, 0.0f, false});
  MasterSettings settings;
  settings.reverb.wet = 0.0f;
  const StereoBuffer out = mix.mixdownFloat(settings);
  const size_t at = 22050;
  // Hard left at constant power: all of it on the left, none on the right (less the subsonic filter's sliver).
  EXPECT_NEAR(out.left[at], 0.5f * std::sqrt(2.0f), 0.01f);
  EXPECT_NEAR(out.right[at], 0.0f, 1e-6f);
  EXPECT_NEAR(out.left[at - 1], 0.0f, 1e-6f);
}

TEST(Mix, DuckedBusDipsAtEachKickAndRecovers) {
  Mix mix(2.0);
  StereoBuffer tone(88200);
  for (size_t i = 0; i < tone.frames(); ++i) {
    tone.left[i] = tone.right[i] = 0.25f * static_cast<float>(std::sin(2.0 * kPi * 1000.0 * i / 44100.0));
  }
  mix.add(tone, 0.0, {1.0f, 0.0f, 0.0f, 0.0f, true});
  mix.markKick(1.0);
  MasterSettings settings;
  settings.duckDepth = 0.5f;
  settings.duckRecovery = 0.1;
  settings.reverb.wet = 0.0f;
  const StereoBuffer out = mix.mixdownFloat(settings);
  // Level over one cycle of the tone centred on `t`.
  auto level = [&out](double t) {
    float peak = 0.0f;
    for (size_t i = static_cast<size_t>((t - 0.0005) * 44100); i < static_cast<size_t>((t + 0.0005) * 44100); ++i) {
      peak = std::max(peak, std::fabs(out.left[i]));
    }
    return peak;
  };
  const float before = level(0.99);
  EXPECT_NEAR(before, 0.25f, 0.01f) << "centre pan keeps a stereo sound's level";
  // Fully dipped 4 ms after the kick, then back along e^(-t / 0.1).
  EXPECT_NEAR(level(1.0045) / before, 1.0 - 0.5 * std::exp(-0.0045 / 0.1), 0.03);
  EXPECT_NEAR(level(1.1) / before, 1.0 - 0.5 * std::exp(-1.0), 0.03);
  EXPECT_GT(level(1.8) / before, 0.99f);
}

TEST(Mix, FadeOutEndsInExactSilence) {
  Mix mix(2.0);
  StereoBuffer tone(88200);
  for (size_t i = 0; i < tone.frames(); ++i) tone.left[i] = tone.right[i] = (i % 100 < 50) ? 0.3f : -0.3f;
  mix.add(tone, 0.0, {1.0f, 0.0f, 0.0f, 0.0f, false});
  MasterSettings settings;
  settings.fadeOutStart = 1.0;
  settings.reverb.wet = 0.0f;
  const std::vector<int16_t> pcm = mix.mixdown(settings);
  ASSERT_EQ(pcm.size(), 88200u * 2);
  EXPECT_EQ(pcm[pcm.size() - 1], 0);
  EXPECT_EQ(pcm[pcm.size() - 2], 0);
  // Halfway through the cosine fade the level is half.
  int peak = 0;
  for (size_t i = 66150 * 2 - 200; i < 66150 * 2 + 200; ++i) peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
  EXPECT_NEAR(peak, 0.3 * 0.5 * 32767, 0.03 * 32767);
}

}  // namespace
}  // namespace orvanta::datagen
