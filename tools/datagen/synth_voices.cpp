#include "datagen/synth_voices.h"

#include <algorithm>
#include <cmath>

#include "datagen/synth_filter.h"
#include "datagen/synth_oscillators.h"

namespace orvanta::datagen {

namespace {

// Coefficients change every this many samples; fast enough for sweeps and glides, far cheaper than per sample.
constexpr int kControlInterval = 16;

struct UnisonVoice {
  Oscillator oscillator;
  double detune = 1.0;  // frequency ratio
  float leftGain = 0.0f;
  float rightGain = 0.0f;
};

// Spreads `count` voices evenly across `cents` of detune and `spread` of the stereo field.
std::vector<UnisonVoice> makeUnison(int count, float cents, float spread, SynthRandom& random) {
  std::vector<UnisonVoice> voices(static_cast<size_t>(std::max(count, 1)));
  const float gain = 1.0f / std::sqrt(static_cast<float>(voices.size()));
  for (size_t i = 0; i < voices.size(); ++i) {
    const float position = voices.size() == 1 ? 0.0f : static_cast<float>(i) / (voices.size() - 1) * 2.0f - 1.0f;
    voices[i].oscillator = Oscillator(random.unit());
    voices[i].detune = std::pow(2.0, position * cents / 1200.0);
    // Alternate sides so neighbouring pitches do not bunch up on one side.
    const float pan = (i % 2 == 0 ? position : -position) * spread;
    panGains(pan, voices[i].leftGain, voices[i].rightGain);
    voices[i].leftGain *= gain * 1.41421356f;
    voices[i].rightGain *= gain * 1.41421356f;
  }
  return voices;
}

float saturate(float value, float drive) {
  if (drive <= 0.0f) return value;
  return std::tanh(value * drive) / std::tanh(drive);
}

}  // namespace

StereoBuffer renderChord(const std::vector<double>& notes, double gate, const ChordPatch& patch, SynthRandom& random) {
  const double seconds = patch.amp.length(gate);
  StereoBuffer out(secondsToFrames(seconds));
  if (notes.empty()) return out;

  std::vector<UnisonVoice> voices;
  for (double note : notes) {
    std::vector<UnisonVoice> unison = makeUnison(patch.unison, patch.detuneCents, patch.stereoSpread, random);
    for (UnisonVoice& voice : unison) {
      voice.oscillator.setFrequency(midiToHz(note) * voice.detune);
      voices.push_back(voice);
    }
  }
  const float noteGain = patch.level / std::sqrt(static_cast<float>(notes.size()));
  StateVariableFilter left, right;
  EnvelopeGenerator amp(patch.amp);
  amp.gateOn();
  const size_t gateFrames = secondsToFrames(gate);
  for (size_t i = 0; i < out.frames(); ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    if (i == gateFrames) amp.gateOff();
    if (i % kControlInterval == 0) {
      const double sweep = patch.cutoffHz * std::pow(patch.cutoffEndHz / patch.cutoffHz, t / seconds);
      const double cutoff = sweep * std::exp2(patch.envelopeOctaves * std::exp(-t / patch.envelopeDecay));
      left.set(cutoff, patch.resonance);
      right.set(cutoff, patch.resonance);
    }
    float sumLeft = 0.0f;
    float sumRight = 0.0f;
    for (UnisonVoice& voice : voices) {
      const float value = voice.oscillator.saw();
      sumLeft += value * voice.leftGain;
      sumRight += value * voice.rightGain;
    }
    left.process(sumLeft);
    right.process(sumRight);
    const float level = amp.next() * noteGain;
    out.left[i] = left.low() * level;
    out.right[i] = right.low() * level;
  }
  fadeOutTail(out);
  return out;
}

StereoBuffer renderMonoLine(const std::vector<MonoNote>& notes, const MonoPatch& patch, SynthRandom& random) {
  if (notes.empty()) return StereoBuffer();
  double end = 0.0;
  for (const MonoNote& note : notes) end = std::max(end, note.start + note.gate);
  StereoBuffer out(secondsToFrames(end + patch.amp.release + 0.01));

  std::vector<UnisonVoice> voices = makeUnison(patch.unison, patch.detuneCents, patch.stereoSpread, random);
  Oscillator sub(0.0);
  EnvelopeGenerator amp(patch.amp);
  StateVariableFilter left1, left2, right1, right2;
  const bool stereo = patch.stereoSpread > 0.0f && voices.size() > 1;

  size_t nextNote = 0;
  double gateEnd = -1.0;
  double pitch = notes.front().note;
  double targetPitch = pitch;
  double noteStart = 0.0;
  double filterEnvelope = 0.0;
  float velocity = 1.0f;
  float cutoffScale = 1.0f;
  const double glideCoefficient = 1.0 - std::exp(-kControlInterval / (std::max(patch.glide, 0.001) * kSampleRate));
  const double filterCoefficient = std::exp(-kControlInterval / (patch.envelopeDecay * kSampleRate));

  for (size_t i = 0; i < out.frames(); ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    while (nextNote < notes.size() && notes[nextNote].start <= t) {
      const MonoNote& note = notes[nextNote++];
      const bool legato = note.slide && t < gateEnd + 0.001;
      targetPitch = note.note;
      if (!legato) {
        pitch = note.note;
        amp.gateOn();
        filterEnvelope = 1.0;
        noteStart = t;
      }
      velocity = note.velocity;
      cutoffScale = note.cutoffScale;
      gateEnd = note.start + note.gate;
    }
    if (t >= gateEnd) amp.gateOff();

    if (i % kControlInterval == 0) {
      pitch += (targetPitch - pitch) * glideCoefficient;
      double played = pitch;
      if (patch.vibratoDepth > 0.0) {
        const double age = t - noteStart;
        const double depth = patch.vibratoDepth * std::clamp((age - patch.vibratoDelay) / 0.3, 0.0, 1.0);
        played += depth * std::sin(2.0 * kPi * patch.vibratoRate * t);
      }
      const double hz = midiToHz(played);
      for (UnisonVoice& voice : voices) voice.oscillator.setFrequency(hz * voice.detune);
      sub.setFrequency(hz * std::exp2(-patch.subOctaves));
      const double cutoff = patch.cutoffHz * cutoffScale * std::exp2(patch.keyTracking * (played - 48.0) / 12.0) *
                            std::exp2(patch.envelopeOctaves * filterEnvelope * (0.6 + 0.4 * velocity));
      filterEnvelope *= filterCoefficient;
      left1.set(cutoff, patch.steep ? 0.54 : patch.resonance);
      left2.set(cutoff, patch.resonance);
      right1.set(cutoff, patch.steep ? 0.54 : patch.resonance);
      right2.set(cutoff, patch.resonance);
    }

    float sumLeft = 0.0f;
    float sumRight = 0.0f;
    for (UnisonVoice& voice : voices) {
      float value = 0.0f;
      if (patch.sawLevel != 0.0f && patch.pulseLevel != 0.0f) {
        float sawValue, pulseValue;
        voice.oscillator.sawAndPulse(patch.pulseWidth, sawValue, pulseValue);
        value = sawValue * patch.sawLevel + pulseValue * patch.pulseLevel;
      } else if (patch.pulseLevel != 0.0f) {
        value = voice.oscillator.pulse(patch.pulseWidth) * patch.pulseLevel;
      } else {
        value = voice.oscillator.saw() * patch.sawLevel;
      }
      sumLeft += value * voice.leftGain;
      sumRight += value * voice.rightGain;
    }
    const float subValue = patch.subLevel != 0.0f ? sub.sine() * patch.subLevel : 0.0f;
    const float envelope = amp.next() * velocity * patch.level;

    float outLeft;
    float outRight;
    if (stereo) {
      left1.process(sumLeft);
      right1.process(sumRight);
      if (patch.steep) {
        left2.process(left1.low());
        right2.process(right1.low());
        outLeft = left2.low();
        outRight = right2.low();
      } else {
        outLeft = left1.low();
        outRight = right1.low();
      }
    } else {
      left1.process((sumLeft + sumRight) * 0.5f);
      if (patch.steep) {
        left2.process(left1.low());
        outLeft = left2.low();
      } else {
        outLeft = left1.low();
      }
      outRight = outLeft;
    }
    out.left[i] = saturate(outLeft + subValue, patch.drive) * envelope;
    out.right[i] = stereo ? saturate(outRight + subValue, patch.drive) * envelope : out.left[i];
  }
  fadeOutTail(out);
  return out;
}

}  // namespace orvanta::datagen
