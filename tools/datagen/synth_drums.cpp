#include "datagen/synth_drums.h"

#include <algorithm>
#include <cmath>

#include "datagen/synth_envelope.h"
#include "datagen/synth_filter.h"
#include "datagen/synth_oscillators.h"

namespace orvanta::datagen {

namespace {

constexpr double kSampleSeconds = 1.0 / kSampleRate;

// A short fade over the last few milliseconds so a hit never ends on a step.
void fadeTail(std::vector<float>& samples, double seconds = 0.005) {
  const size_t fade = std::min(samples.size(), secondsToFrames(seconds));
  for (size_t i = 0; i < fade; ++i) {
    samples[samples.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(fade);
  }
}

float saturate(float value, float drive) { return std::tanh(value * drive) / std::tanh(drive); }

// Six detuned square waves: the inharmonic cluster that makes hats and cymbals sound metallic.
class MetalCluster {
 public:
  explicit MetalCluster(double scale) {
    static constexpr double kRatios[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    for (int i = 0; i < 6; ++i) {
      oscillators_[i] = Oscillator(0.17 * i);
      oscillators_[i].setFrequency(kRatios[i] * scale);
    }
  }
  float next() {
    float sum = 0.0f;
    for (Oscillator& oscillator : oscillators_) sum += oscillator.pulse(0.5f);
    return sum * (1.0f / 6.0f);
  }

 private:
  Oscillator oscillators_[6];
};

}  // namespace

std::vector<float> renderKick(const KickSound& sound, SynthRandom& random) {
  std::vector<float> samples(secondsToFrames(sound.hold + sound.decay * 5.0));
  OnePoleHighPass clickFilter;
  clickFilter.set(1800.0);
  double phase = 0.0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = i * kSampleSeconds;
    const double hz = sound.bodyHz + (sound.punchHz - sound.bodyHz) * std::exp(-t / 0.032) + 260.0 * std::exp(-t / 0.003);
    phase += hz * kSampleSeconds;
    const float attack = static_cast<float>(std::min(1.0, t / 0.0008));
    const float body = t < sound.hold ? 1.0f : decayCurve(t - sound.hold, sound.decay);
    const float tone = static_cast<float>(std::sin(2.0 * kPi * phase)) * body * attack;
    const float click = clickFilter.process(random.bipolar()) * decayCurve(t, 0.0015) * sound.click;
    samples[i] = saturate(tone + click, sound.drive);
  }
  fadeTail(samples, 0.02);
  return samples;
}

std::vector<float> renderSnare(float tone, SynthRandom& random) {
  std::vector<float> samples(secondsToFrames(0.38));
  StateVariableFilter noiseFilter;
  noiseFilter.set(2200.0 + 4000.0 * tone, 0.8);
  double phase1 = 0.0;
  double phase2 = 0.0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = i * kSampleSeconds;
    phase1 += 185.0 * (1.0 + 0.45 * std::exp(-t / 0.012)) * kSampleSeconds;
    phase2 += 330.0 * (1.0 + 0.3 * std::exp(-t / 0.01)) * kSampleSeconds;
    const float body = 0.62f * static_cast<float>(std::sin(2.0 * kPi * phase1)) * decayCurve(t, 0.055) +
                       0.3f * static_cast<float>(std::sin(2.0 * kPi * phase2)) * decayCurve(t, 0.04);
    noiseFilter.process(random.bipolar());
    const float noise = (noiseFilter.high() * 0.7f + noiseFilter.band() * 0.6f) * decayCurve(t, 0.075 + 0.04 * tone);
    const float attack = static_cast<float>(std::min(1.0, t / 0.0006));
    samples[i] = saturate((body + noise * 1.1f) * attack, 1.4f);
  }
  fadeTail(samples);
  return samples;
}

std::vector<float> renderClap(SynthRandom& random) {
  std::vector<float> samples(secondsToFrames(0.42));
  StateVariableFilter filter;
  filter.set(1150.0, 1.4);
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = i * kSampleSeconds;
    // Three hands a few milliseconds apart, then the room.
    float envelope = 0.0f;
    for (int hand = 0; hand < 3; ++hand) envelope += decayCurve(t - hand * 0.0105, 0.0038);
    envelope += 0.75f * decayCurve(t - 0.031, 0.085);
    filter.process(random.bipolar());
    samples[i] = (filter.band() * 1.6f + filter.high() * 0.25f) * envelope;
  }
  fadeTail(samples);
  return samples;
}

std::vector<float> renderHat(double decay, SynthRandom& random) {
  std::vector<float> samples(secondsToFrames(0.002 + decay * 6.0));
  MetalCluster metal(1.72);
  StateVariableFilter band;
  band.set(9800.0, 0.9);
  OnePoleHighPass highPass;
  highPass.set(6500.0);
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = i * kSampleSeconds;
    band.process(metal.next() * 0.8f + random.bipolar() * 0.45f);
    const float attack = static_cast<float>(std::min(1.0, t / 0.0007));
    samples[i] = highPass.process(band.band()) * attack * decayCurve(t, decay) * 2.2f;
  }
  fadeTail(samples);
  return samples;
}

std::vector<float> renderShaker(SynthRandom& random) {
  std::vector<float> samples(secondsToFrames(0.14));
  StateVariableFilter filter;
  filter.set(7200.0, 1.3);
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = i * kSampleSeconds;
    const float envelope = t < 0.007 ? static_cast<float>(t / 0.007) : decayCurve(t - 0.007, 0.028);
    filter.process(random.bipolar());
    samples[i] = filter.band() * envelope * 1.5f;
  }
  fadeTail(samples);
  return samples;
}

std::vector<float> renderTom(double hz, SynthRandom& random) {
  std::vector<float> samples(secondsToFrames(0.55));
  StateVariableFilter skin;
  skin.set(hz * 3.0, 1.0);
  double phase = 0.0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = i * kSampleSeconds;
    phase += hz * (1.0 + 0.55 * std::exp(-t / 0.035)) * kSampleSeconds;
    skin.process(random.bipolar());
    const float attack = static_cast<float>(std::min(1.0, t / 0.0008));
    const float tone = static_cast<float>(std::sin(2.0 * kPi * phase)) * decayCurve(t, 0.16);
    samples[i] = saturate((tone + skin.band() * 0.5f * decayCurve(t, 0.03)) * attack, 1.5f);
  }
  fadeTail(samples);
  return samples;
}

StereoBuffer renderCrash(double seconds, SynthRandom& random) {
  StereoBuffer out(secondsToFrames(seconds));
  MetalCluster metalLeft(2.37);
  MetalCluster metalRight(2.51);
  StateVariableFilter highLeft, highRight;
  highLeft.set(4200.0, 0.7);
  highRight.set(4200.0, 0.7);
  OnePoleLowPass darkLeft, darkRight;
  const double decay = seconds / 4.5;
  for (size_t i = 0; i < out.frames(); ++i) {
    const double t = i * kSampleSeconds;
    if (i % 64 == 0) {
      // The wash darkens as it dies away.
      const double cutoff = 5500.0 + 11000.0 * std::exp(-t / (decay * 0.8));
      darkLeft.set(cutoff);
      darkRight.set(cutoff);
    }
    const float attack = static_cast<float>(std::min(1.0, t / 0.0015));
    const float envelope = attack * (0.55f * decayCurve(t, 0.09) + 0.45f * decayCurve(t, decay));
    highLeft.process(random.bipolar() * 0.8f + metalLeft.next() * 0.5f);
    highRight.process(random.bipolar() * 0.8f + metalRight.next() * 0.5f);
    out.left[i] = darkLeft.process(highLeft.high()) * envelope;
    out.right[i] = darkRight.process(highRight.high()) * envelope;
  }
  fadeOutTail(out, 0.05);
  return out;
}

std::vector<float> renderImpact(SynthRandom& random) {
  std::vector<float> samples(secondsToFrames(2.6));
  OnePoleLowPass rumble;
  rumble.set(700.0);
  double phase = 0.0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = i * kSampleSeconds;
    phase += (31.0 + 60.0 * std::exp(-t / 0.22)) * kSampleSeconds;
    const float attack = static_cast<float>(std::min(1.0, t / 0.002));
    const float boom = static_cast<float>(std::sin(2.0 * kPi * phase)) * decayCurve(t, 0.55);
    const float noise = rumble.process(random.bipolar()) * decayCurve(t, 0.18) * 0.9f;
    samples[i] = saturate((boom + noise) * attack, 1.6f);
  }
  fadeTail(samples, 0.1);
  return samples;
}

StereoBuffer renderRiser(double seconds, SynthRandom& random) {
  StereoBuffer out(secondsToFrames(seconds));
  StateVariableFilter left, right;
  const double frames = static_cast<double>(out.frames());
  for (size_t i = 0; i < out.frames(); ++i) {
    const double x = i / frames;
    if (i % 32 == 0) {
      const double cutoff = 250.0 * std::pow(9000.0 / 250.0, x);
      left.set(cutoff, 2.2);
      right.set(cutoff * 1.06, 2.2);
    }
    left.process(random.bipolar());
    right.process(random.bipolar());
    const float level = static_cast<float>(x * x * x);
    out.left[i] = left.band() * level;
    out.right[i] = right.band() * level;
  }
  fadeOutTail(out);
  return out;
}

StereoBuffer renderCrackle(double seconds, SynthRandom& random) {
  StereoBuffer out(secondsToFrames(seconds));
  OnePoleLowPass hissLeft, hissRight, clickTone;
  OnePoleHighPass rumbleCut;
  hissLeft.set(3800.0);
  hissRight.set(3800.0);
  clickTone.set(5000.0);
  rumbleCut.set(250.0);
  double nextClick = 0.0;
  float clickLevel = 0.0f;
  float clickPan = 0.0f;
  double clickAge = 1.0;
  for (size_t i = 0; i < out.frames(); ++i) {
    const double t = i * kSampleSeconds;
    if (t >= nextClick) {
      // Mostly faint ticks, now and then a louder pop.
      const float size = random.unit();
      clickLevel = (size > 0.93f ? 0.5f : 0.25f * size + 0.05f) * (random.unit() < 0.5f ? -1.0f : 1.0f);
      clickPan = random.bipolar() * 0.8f;
      clickAge = 0.0;
      nextClick = t + 0.004 + 0.09 * static_cast<double>(random.unit());
    }
    const float click = clickTone.process(clickLevel * decayCurve(clickAge, 0.00025));
    clickAge += kSampleSeconds;
    const float hiss = 0.05f;
    const float body = rumbleCut.process(click);
    const float l = body * (1.0f - clickPan) * 0.5f;
    const float r = body * (1.0f + clickPan) * 0.5f;
    out.left[i] = hissLeft.process(random.bipolar()) * hiss + l;
    out.right[i] = hissRight.process(random.bipolar()) * hiss + r;
  }
  return out;
}

}  // namespace orvanta::datagen
