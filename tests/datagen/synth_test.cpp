// The synthesiser's building blocks, checked against figures worked out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "datagen/synth_buffer.h"
#include "datagen/synth_delay.h"
#include "datagen/synth_envelope.h"
#include "datagen/synth_filter.h"
#include "datagen/synth_limiter.h"
#include "datagen/synth_oscillators.h"
#include "datagen/synth_voices.h"

namespace orvanta::datagen {
namespace {

// Upward zero crossings in one second: the frequency in Hz.
int cyclesPerSecond(const std::vector<float>& samples) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size() && i < static_cast<size_t>(kSampleRate); ++i) {
    if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) ++crossings;
  }
  return crossings;
}

double mean(const std::vector<float>& samples) {
  double sum = 0.0;
  for (float sample : samples) sum += sample;
  return sum / samples.size();
}

double rms(const std::vector<float>& samples, size_t from = 0) {
  double sum = 0.0;
  for (size_t i = from; i < samples.size(); ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return std::sqrt(sum / (samples.size() - from));
}

std::vector<float> sine(double hz, size_t frames) {
  std::vector<float> samples(frames);
  for (size_t i = 0; i < frames; ++i) samples[i] = static_cast<float>(std::sin(2.0 * kPi * hz * i / kSampleRate));
  return samples;
}

TEST(Oscillator, RunsAtItsFrequencyWithoutOffsetOrOvershoot) {
  for (double hz : {55.0, 440.0, 3520.0}) {
    Oscillator saw(0.5), pulse(0.5), wave(0.5);
    saw.setFrequency(hz);
    pulse.setFrequency(hz);
    wave.setFrequency(hz);
    std::vector<float> saws(kSampleRate), pulses(kSampleRate), sines(kSampleRate);
    for (int i = 0; i < kSampleRate; ++i) {
      saws[static_cast<size_t>(i)] = saw.saw();
      pulses[static_cast<size_t>(i)] = pulse.pulse(0.25f);
      sines[static_cast<size_t>(i)] = wave.sine();
    }
    EXPECT_NEAR(cyclesPerSecond(sines), hz, 1.0);
    EXPECT_NEAR(cyclesPerSecond(saws), hz, 1.0);
    // A quarter-width pulse spends 3/4 of its cycle low; it must still average zero.
    EXPECT_NEAR(mean(pulses), 0.0, 0.01) << hz;
    EXPECT_NEAR(mean(saws), 0.0, 0.01) << hz;
    for (float value : saws) ASSERT_LE(std::fabs(value), 1.01f);
  }
}

TEST(Oscillator, MidiNumbersAreEqualTempered) {
  EXPECT_DOUBLE_EQ(midiToHz(69.0), 440.0);
  EXPECT_NEAR(midiToHz(57.0), 220.0, 1e-9);
  EXPECT_NEAR(midiToHz(60.0), 261.6256, 1e-4);
}

TEST(Filter, LowPassKeepsTheBassAndTakesTheTreble) {
  StateVariableFilter filter;
  filter.set(1000.0, 0.707);
  std::vector<float> low, high;
  for (float x : sine(100.0, 44100)) {
    filter.process(x);
    low.push_back(filter.low());
  }
  StateVariableFilter second;
  second.set(1000.0, 0.707);
  for (float x : sine(8000.0, 44100)) {
    second.process(x);
    high.push_back(second.low());
  }
  // 100 Hz is a decade below the cutoff: unchanged. 8 kHz is three octaves above: 12 dB per octave, ~36 dB down.
  EXPECT_NEAR(rms(low, 4410), std::sqrt(0.5), 0.01);
  EXPECT_LT(20.0 * std::log10(rms(high, 4410) / std::sqrt(0.5)), -33.0);
}

TEST(Filter, OnePoleHighPassRemovesAConstant) {
  OnePoleHighPass filter;
  filter.set(20.0);
  float last = 1.0f;
  for (int i = 0; i < kSampleRate; ++i) last = filter.process(0.5f);
  EXPECT_LT(std::fabs(last), 1e-4f);
}

TEST(Envelope, AttackDecayToSustainThenRelease) {
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
}

TEST(Envelope, RetriggerStartsFromTheCurrentLevel) {
  EnvelopeGenerator envelope({0.05f, 0.1f, 0.3f, 0.1f});
  envelope.gateOn();
  for (int i = 0; i < kSampleRate / 2; ++i) envelope.next();
  const float before = envelope.level();
  envelope.gateOn();
  const float after = envelope.next();
  EXPECT_NEAR(after, before, 0.001f) << "a new attack must not jump";
  EXPECT_GT(after, before);
}

TEST(Limiter, HoldsTheCeilingAndLeavesQuietPassagesAlone) {
  StereoBuffer mix(2 * kSampleRate);
  const std::vector<float> tone = sine(220.0, 2 * kSampleRate);
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
    ASSERT_LE(std::fabs(mix.left[i]), settings.ceiling);
    ASSERT_LE(std::fabs(mix.right[i]), settings.ceiling);
  }
  // Untouched before the lookahead and long after the release.
  const size_t lookahead = static_cast<size_t>(settings.lookahead * kSampleRate);
  EXPECT_NEAR(mix.left[spike - lookahead - 5], original.left[spike - lookahead - 5], 1e-4f);
  const size_t recovered = spike + static_cast<size_t>(settings.release * 10 * kSampleRate);
  ASSERT_LT(recovered, mix.frames());
  EXPECT_NEAR(mix.left[recovered], original.left[recovered], 1e-3f);
  // The gain ramps down ahead of the spike rather than jumping.
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
  // The third echo is back on the left, at the feedback level, its treble softened (spread over a few samples).
  double third = 0.0;
  for (size_t i = 3 * gap; i < 3 * gap + 200; ++i) third += echoes.left[i];
  EXPECT_NEAR(third, 0.5, 0.02);
  EXPECT_LT(echoes.left[3 * gap], 0.5f);
}

TEST(Voices, ChordSoundsForGatePlusReleaseAndEndsSilent) {
  ChordPatch patch;
  patch.amp = {0.01f, 0.1f, 0.8f, 0.3f};
  SynthRandom random(7);
  const StereoBuffer chord = renderChord({57.0, 60.0, 64.0}, 1.0, patch, random);
  EXPECT_EQ(chord.frames(), secondsToFrames(1.3));
  EXPECT_EQ(chord.left.back(), 0.0f);
  EXPECT_GT(rms(chord.left), 0.05);
  // Detuned saws panned apart: the two sides differ.
  double difference = 0.0;
  for (size_t i = 0; i < chord.frames(); ++i) difference += std::fabs(chord.left[i] - chord.right[i]);
  EXPECT_GT(difference / chord.frames(), 0.01);
}

TEST(Voices, MonoLinePlaysItsPitchAndGlides) {
  MonoPatch patch;
  patch.sawLevel = 0.0f;
  patch.subLevel = 1.0f;  // a pure sine: easy to count
  patch.subOctaves = 0.0;
  patch.amp = {0.001f, 0.1f, 1.0f, 0.01f};
  patch.glide = 0.01;
  SynthRandom random(3);
  const std::vector<MonoNote> notes = {{0.0, 1.0, 69.0, 1.0f, false, 1.0f}, {1.0, 1.5, 81.0, 1.0f, true, 1.0f}};
  const StereoBuffer line = renderMonoLine(notes, patch, random);
  ASSERT_GE(line.frames(), secondsToFrames(2.5));
  std::vector<float> first(line.left.begin(), line.left.begin() + kSampleRate);
  std::vector<float> second(line.left.begin() + kSampleRate + 2205, line.left.begin() + 2 * kSampleRate + 2205);
  EXPECT_NEAR(cyclesPerSecond(first), 440, 2);
  EXPECT_NEAR(cyclesPerSecond(second), 880, 3);
  // Sliding keeps the note sounding: no gap at the change.
  for (size_t i = kSampleRate - 200; i < kSampleRate + 200; i += 50) {
    float peak = 0.0f;
    for (size_t j = i; j < i + 100; ++j) peak = std::max(peak, std::fabs(line.left[j]));
    EXPECT_GT(peak, 0.5f) << i;
  }
}

}  // namespace
}  // namespace orvanta::datagen
