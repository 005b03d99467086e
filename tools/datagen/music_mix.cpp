#include "datagen/music_mix.h"

#include <algorithm>
#include <cmath>

#include "datagen/synth_filter.h"
#include "datagen/synth_limiter.h"

namespace orvanta::datagen {

namespace {

// First frame of a sound that starts at `seconds`, or -1 when it starts before the mix.
long long startFrame(double seconds) { return std::llround(seconds * kSampleRate); }

// Level of the ducked bus over the whole mix: a quick dip at each kick and an exponential return.
std::vector<float> duckingCurve(std::vector<double> kicks, size_t frames, const MasterSettings& settings) {
  std::vector<float> curve(frames, 1.0f);
  std::sort(kicks.begin(), kicks.end());
  for (size_t k = 0; k < kicks.size(); ++k) {
    const long long first = std::max(0LL, startFrame(kicks[k]));
    const long long last =
        k + 1 < kicks.size() ? std::min<long long>(startFrame(kicks[k + 1]), frames) : static_cast<long long>(frames);
    for (long long i = first; i < last; ++i) {
      const double t = static_cast<double>(i - startFrame(kicks[k])) / kSampleRate;
      // A 4 ms dip avoids a click; the curve then climbs back.
      const double dip = std::min(1.0, t / 0.004) * std::exp(-t / settings.duckRecovery);
      curve[static_cast<size_t>(i)] = static_cast<float>(1.0 - settings.duckDepth * dip);
    }
  }
  return curve;
}

float fadeGain(double t, double length, const MasterSettings& settings) {
  double gain = 1.0;
  if (settings.fadeIn > 0.0 && t < settings.fadeIn) gain *= t / settings.fadeIn;
  if (settings.fadeOutStart > 0.0 && t > settings.fadeOutStart) {
    const double x = std::clamp((t - settings.fadeOutStart) / (length - settings.fadeOutStart), 0.0, 1.0);
    // Cosine-shaped: smooth at both ends, exactly silent at the last frame.
    gain *= 0.5 + 0.5 * std::cos(kPi * x);
  }
  return static_cast<float>(gain);
}

}  // namespace

Mix::Mix(double seconds)
    : dry_(secondsToFrames(seconds)),
      ducked_(secondsToFrames(seconds)),
      reverbSend_(secondsToFrames(seconds), 0.0f),
      delaySend_(secondsToFrames(seconds), 0.0f) {}

namespace {

// A frame of a sound: what goes to the left and right of its bus (before panning) and what
// goes to the effect sends (before their levels).
struct SoundFrame {
  float left;
  float right;
  float send;
};

}  // namespace

template <typename Frame>
void Mix::addFrames(size_t count, double startSeconds, const Placement& placement, Frame frame) {
  float leftGain, rightGain;
  panGains(placement.pan, leftGain, rightGain);
  leftGain *= placement.gain * 1.41421356f;
  rightGain *= placement.gain * 1.41421356f;
  StereoBuffer& bus = placement.ducked ? ducked_ : dry_;
  const long long first = startFrame(startSeconds);
  for (size_t i = 0; i < count; ++i) {
    const long long at = first + static_cast<long long>(i);
    if (at < 0) continue;
    if (at >= static_cast<long long>(frames())) break;
    const size_t k = static_cast<size_t>(at);
    const SoundFrame sound = frame(i);
    bus.left[k] += sound.left * leftGain;
    bus.right[k] += sound.right * rightGain;
    reverbSend_[k] += sound.send * placement.reverb;
    delaySend_[k] += sound.send * placement.delay;
  }
}

void Mix::add(const std::vector<float>& mono, double startSeconds, const Placement& placement) {
  addFrames(mono.size(), startSeconds, placement,
            [&](size_t i) { return SoundFrame{mono[i], mono[i], mono[i] * placement.gain}; });
}

void Mix::add(const StereoBuffer& stereo, double startSeconds, const Placement& placement) {
  // Panning a stereo sound tilts its balance rather than collapsing it.
  addFrames(stereo.frames(), startSeconds, placement, [&](size_t i) {
    return SoundFrame{stereo.left[i], stereo.right[i], (stereo.left[i] + stereo.right[i]) * 0.5f * placement.gain};
  });
}

StereoBuffer Mix::mixdownFloat(const MasterSettings& settings) const {
  const size_t length = frames();
  const StereoBuffer room = renderReverb(reverbSend_, settings.reverb);
  const StereoBuffer echoes = renderPingPongDelay(delaySend_, settings.delay);
  const std::vector<float> ducking = duckingCurve(kicks_, length, settings);

  StereoBuffer out(length);
  OnePoleHighPass subsonicLeft, subsonicRight;
  subsonicLeft.set(22.0);
  subsonicRight.set(22.0);
  for (size_t i = 0; i < length; ++i) {
    const float left = dry_.left[i] + ducked_.left[i] * ducking[i] + room.left[i] + echoes.left[i];
    const float right = dry_.right[i] + ducked_.right[i] * ducking[i] + room.right[i] + echoes.right[i];
    out.left[i] = subsonicLeft.process(left) * settings.gain;
    out.right[i] = subsonicRight.process(right) * settings.gain;
  }
  limitPeaks(out, LimiterSettings());
  const double seconds = static_cast<double>(length) / kSampleRate;
  for (size_t i = 0; i < length; ++i) {
    const float fade = fadeGain(static_cast<double>(i + 1) / kSampleRate, seconds, settings);
    out.left[i] *= fade;
    out.right[i] *= fade;
  }
  return out;
}

std::vector<int16_t> Mix::mixdown(const MasterSettings& settings) const {
  const StereoBuffer mix = mixdownFloat(settings);
  std::vector<int16_t> pcm(mix.frames() * 2);
  // Triangular dither from a fixed seed: no quantisation buzz in quiet passages, same bytes every run.
  SynthRandom dither(0xD17Eu);
  for (size_t i = 0; i < mix.frames(); ++i) {
    const float samples[2] = {mix.left[i], mix.right[i]};
    for (int channel = 0; channel < 2; ++channel) {
      // Exact silence (the very end) stays exactly silent.
      const float noise = samples[channel] != 0.0f ? dither.unit() - dither.unit() : 0.0f;
      const long value = std::lround(samples[channel] * 32767.0f + noise);
      pcm[i * 2 + channel] = static_cast<int16_t>(std::clamp(value, -32767L, 32767L));
    }
  }
  return pcm;
}

}  // namespace orvanta::datagen
