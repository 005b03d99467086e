// The synthesiser's building blocks, the score's timing and the mixing desk, checked against
// figures worked out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "datagen/music_arrangement.h"
#include "datagen/music_mix.h"
#include "datagen/synth_buffer.h"
#include "datagen/synth_delay.h"
#include "datagen/synth_envelope.h"
#include "datagen/synth_filter.h"
#include "datagen/synth_limiter.h"
#include "datagen/synth_oscillators.h"
#include "datagen/synth_voices.h"

namespace orvanta::datagen {
namespace {

// Upward zero crossings in the first second: the frequency in Hz.
int cyclesPerSecond(const float* samples) {
  int crossings = 0;
  for (int i = 1; i < kSampleRate; ++i) crossings += samples[i - 1] < 0.0f && samples[i] >= 0.0f ? 1 : 0;
  return crossings;
}

double rms(const std::vector<float>& samples, size_t from = 0) {
  double sum = 0.0;
  for (size_t i = from; i < samples.size(); ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return std::sqrt(sum / static_cast<double>(samples.size() - from));
}

float peak(const float* first, size_t count) {
  float largest = 0.0f;
  for (size_t i = 0; i < count; ++i) largest = std::max(largest, std::fabs(first[i]));
  return largest;
}

std::vector<float> sine(double hz, size_t frames) {
  std::vector<float> samples(frames);
  for (size_t i = 0; i < frames; ++i) samples[i] = static_cast<float>(std::sin(2.0 * kPi * hz * i / kSampleRate));
  return samples;
}

TEST(Oscillator, RunsAtItsFrequencyWithoutOffsetOrOvershoot) {
  EXPECT_DOUBLE_EQ(midiToHz(69.0), 440.0);
  EXPECT_NEAR(midiToHz(60.0), 261.6256, 1e-4);
  for (double hz : {55.0, 440.0, 3520.0}) {
    Oscillator saw(0.5), pulse(0.5), wave(0.5);
    saw.setFrequency(hz);
    pulse.setFrequency(hz);
    wave.setFrequency(hz);
    std::vector<float> saws(kSampleRate), sines(kSampleRate);
    double pulseSum = 0.0, sawSum = 0.0;
    for (size_t i = 0; i < saws.size(); ++i) {
      saws[i] = saw.saw();
      sines[i] = wave.sine();
      sawSum += saws[i];
      pulseSum += pulse.pulse(0.25f);  // low for 3/4 of its cycle, yet it must average zero
    }
    EXPECT_NEAR(cyclesPerSecond(sines.data()), hz, 1.0);
    EXPECT_NEAR(cyclesPerSecond(saws.data()), hz, 1.0);
    EXPECT_NEAR(pulseSum / kSampleRate, 0.0, 0.01) << hz;
    EXPECT_NEAR(sawSum / kSampleRate, 0.0, 0.01) << hz;
    for (float value : saws) ASSERT_LE(std::fabs(value), 1.01f);
  }
}

TEST(Filter, LowPassKeepsTheBassTakesTheTrebleAndHighPassRemovesAConstant) {
  // 100 Hz is a decade below the cutoff: unchanged. 8 kHz is three octaves above: 12 dB per
  // octave, about 36 dB down.
  struct Band {
    double hz, lowestDb, highestDb;
  };
  for (const Band band : {Band{100.0, -0.15, 0.15}, Band{8000.0, -200.0, -33.0}}) {
    StateVariableFilter filter;
    filter.set(1000.0, 0.707);
    std::vector<float> out;
    for (float x : sine(band.hz, kSampleRate)) {
      filter.process(x);
      out.push_back(filter.low());
    }
    const double gainDb = 20.0 * std::log10(rms(out, 4410) / std::sqrt(0.5));
    EXPECT_GT(gainDb, band.lowestDb) << band.hz;
    EXPECT_LT(gainDb, band.highestDb) << band.hz;
  }
  OnePoleHighPass highPass;
  highPass.set(20.0);
  float last = 1.0f;
  for (int i = 0; i < kSampleRate; ++i) last = highPass.process(0.5f);
  EXPECT_LT(std::fabs(last), 1e-4f);
}

TEST(Envelope, AttackDecayToSustainReleaseAndRetriggerWithoutAJump) {
  EnvelopeGenerator envelope({0.01f, 0.1f, 0.5f, 0.2f});
  envelope.gateOn();
  std::vector<float> levels;
  for (int i = 0; i < kSampleRate; ++i) {
    if (i == kSampleRate / 2) envelope.gateOff();
    levels.push_back(envelope.next());
  }
  const size_t attackEnd = static_cast<size_t>(0.01 * kSampleRate);
  EXPECT_NEAR(levels[attackEnd / 2], 0.5f, 0.01f);
  EXPECT_NEAR(levels[attackEnd], 1.0f, 0.01f);
  // Five time constants across the decay: within 1 % of the way to the sustain level.
  EXPECT_NEAR(levels[attackEnd + static_cast<size_t>(0.1 * kSampleRate)], 0.5f, 0.01f);
  EXPECT_NEAR(levels[kSampleRate / 2 - 1], 0.5f, 1e-4f);
  EXPECT_LT(levels[kSampleRate / 2 + static_cast<size_t>(0.2 * kSampleRate)], 0.5f * 0.01f);
  EXPECT_EQ(levels.back(), 0.0f);

  EnvelopeGenerator again({0.05f, 0.1f, 0.3f, 0.1f});
  again.gateOn();
  for (int i = 0; i < kSampleRate / 2; ++i) again.next();
  const float before = again.level();
  again.gateOn();
  const float after = again.next();
  EXPECT_NEAR(after, before, 0.001f);
  EXPECT_GT(after, before);
}

TEST(Limiter, HoldsTheCeilingAndLeavesQuietPassagesAlone) {
  StereoBuffer mix(2 * kSampleRate);
  const std::vector<float> tone = sine(220.0, mix.frames());
  for (size_t i = 0; i < mix.frames(); ++i) {
    mix.left[i] = tone[i] * 0.5f;
    mix.right[i] = -tone[i] * 0.5f;
  }
  const size_t spike = kSampleRate / 4;
  mix.left[spike] = 3.0f;
  mix.right[spike + 10] = -2.0f;
  const StereoBuffer original = mix;
  LimiterSettings settings;
  limitPeaks(mix, settings);
  for (size_t i = 0; i < mix.frames(); ++i) {
    ASSERT_LE(std::max(std::fabs(mix.left[i]), std::fabs(mix.right[i])), settings.ceiling) << i;
  }
  // Untouched before the lookahead and long after the release; ramped down ahead of the spike.
  const size_t early = spike - static_cast<size_t>(settings.lookahead * kSampleRate) - 5;
  const size_t late = spike + static_cast<size_t>(settings.release * 10 * kSampleRate);
  ASSERT_LT(late, mix.frames());
  EXPECT_NEAR(mix.left[early], original.left[early], 1e-4f);
  EXPECT_NEAR(mix.left[late], original.left[late], 1e-3f);
  EXPECT_LT(std::fabs(mix.left[spike - 1]), std::fabs(original.left[spike - 1]) * 0.5f);
}

TEST(PingPongDelay, EchoesAlternateSidesAndFade) {
  std::vector<float> send(kSampleRate, 0.0f);
  send[0] = 1.0f;
  DelaySettings settings;
  settings.seconds = 0.1;
  settings.feedback = 0.5f;
  const StereoBuffer echoes = renderPingPongDelay(send, settings);
  const size_t gap = static_cast<size_t>(0.1 * kSampleRate);
  EXPECT_EQ(echoes.left[0], 0.0f) << "no dry signal";
  EXPECT_EQ(echoes.left[gap], 1.0f);
  EXPECT_EQ(echoes.right[gap], 0.0f);
  EXPECT_EQ(echoes.right[2 * gap], 1.0f);
  // The third echo is back on the left at the feedback level, its treble softened.
  double third = 0.0;
  for (size_t i = 3 * gap; i < 3 * gap + 200; ++i) third += echoes.left[i];
  EXPECT_NEAR(third, 0.5, 0.02);
  EXPECT_LT(echoes.left[3 * gap], 0.5f);
}

TEST(Voices, ChordSoundsForGatePlusReleaseAndAMonoLineGlides) {
  ChordPatch chordPatch;
  chordPatch.amp = {0.01f, 0.1f, 0.8f, 0.3f};
  SynthRandom random(7);
  const StereoBuffer chord = renderChord({57.0, 60.0, 64.0}, 1.0, chordPatch, random);
  EXPECT_EQ(chord.frames(), secondsToFrames(1.3));
  EXPECT_EQ(chord.left.back(), 0.0f);
  EXPECT_GT(rms(chord.left), 0.05);

  MonoPatch patch;
  patch.sawLevel = 0.0f;
  patch.subLevel = 1.0f;  // a pure sine: easy to count
  patch.subOctaves = 0.0;
  patch.amp = {0.001f, 0.1f, 1.0f, 0.01f};
  patch.glide = 0.01;
  const StereoBuffer line = renderMonoLine({{0.0, 1.0, 69.0, 1.0f, false, 1.0f}, {1.0, 1.5, 81.0, 1.0f, true, 1.0f}},
                                           patch, random);
  ASSERT_GE(line.frames(), secondsToFrames(2.5));
  EXPECT_NEAR(cyclesPerSecond(line.left.data()), 440, 2);
  EXPECT_NEAR(cyclesPerSecond(line.left.data() + kSampleRate + 2205), 880, 3);
  for (size_t i = kSampleRate - 200; i < kSampleRate + 200; i += 50) {  // the slide leaves no gap
    EXPECT_GT(peak(line.left.data() + i, 100), 0.5f) << i;
  }
}

TEST(Arrangement, SectionsStartOnTheSceneChangesAndBarsFillThemExactly) {
  const std::vector<Section> sections = soundtrackSections();
  ASSERT_EQ(sections.size(), 7u);
  const double starts[] = {0.0, 15.30, 30.00, 46.00, 62.00, 77.00, 94.00, 98.0};
  for (size_t i = 0; i < sections.size(); ++i) {
    EXPECT_DOUBLE_EQ(sections[i].start, starts[i]);
    EXPECT_DOUBLE_EQ(sections[i].end, starts[i + 1]);
    double t = sections[i].start;
    for (const Bar& bar : sections[i].bars) {
      EXPECT_NEAR(bar.start, t, 1e-9) << "bars must follow each other without gaps";
      t = bar.end();
    }
    EXPECT_NEAR(t, sections[i].end, 1e-9);
  }
}

TEST(Mix, PansAtConstantPowerAndDucksAtEachKick) {
  MasterSettings settings;
  settings.reverb.wet = 0.0f;
  Mix single(1.0);
  single.add(std::vector<float>{1.0f}, 0.5, {0.5f, -1.0f, 0.0f, 0.0f, false});
  const StereoBuffer placed = single.mixdownFloat(settings);
  // Hard left: all of it on the left, none on the right (less the subsonic filter's sliver).
  EXPECT_NEAR(placed.left[22050], 0.5f * std::sqrt(2.0f), 0.01f);
  EXPECT_NEAR(placed.right[22050], 0.0f, 1e-6f);
  EXPECT_NEAR(placed.left[22049], 0.0f, 1e-6f);

  Mix mix(2.0);
  StereoBuffer tone(88200);
  for (size_t i = 0; i < tone.frames(); ++i) {
    tone.left[i] = tone.right[i] = 0.25f * static_cast<float>(std::sin(2.0 * kPi * 1000.0 * i / 44100.0));
  }
  mix.add(tone, 0.0, {1.0f, 0.0f, 0.0f, 0.0f, true});
  mix.markKick(1.0);
  settings.duckDepth = 0.5f;
  settings.duckRecovery = 0.1;
  const StereoBuffer out = mix.mixdownFloat(settings);
  // The peak over one cycle of the tone centred on t.
  auto level = [&out](double t) { return peak(out.left.data() + static_cast<size_t>((t - 0.0005) * 44100), 44); };
  const float before = level(0.99);
  EXPECT_NEAR(before, 0.25f, 0.01f) << "centre pan keeps a stereo sound's level";
  // Fully dipped 4 ms after the kick, then back along e^(-t / 0.1).
  EXPECT_NEAR(level(1.0045) / before, 1.0 - 0.5 * std::exp(-0.0045 / 0.1), 0.03);
  EXPECT_NEAR(level(1.1) / before, 1.0 - 0.5 * std::exp(-1.0), 0.03);
  EXPECT_GT(level(1.8) / before, 0.99f);
}

}  // namespace
}  // namespace orvanta::datagen
