#include "datagen/synth_limiter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace orvanta::datagen {

void limitPeaks(StereoBuffer& mix, const LimiterSettings& settings) {
  const size_t frames = mix.frames();
  if (frames == 0) return;
  // The gain each frame needs on its own, in double so the ceiling holds after rounding to float.
  std::vector<double> gain(frames);
  for (size_t i = 0; i < frames; ++i) {
    const double peak = std::max(std::fabs(mix.left[i]), std::fabs(mix.right[i]));
    gain[i] = peak > settings.ceiling ? settings.ceiling / peak : 1.0;
  }
  // Backwards: ramp down linearly over the lookahead ahead of each reduction.
  const double attackStep = 1.0 / std::max(1.0, settings.lookahead * kSampleRate);
  for (size_t i = frames - 1; i-- > 0;) gain[i] = std::min(gain[i], gain[i + 1] + attackStep);
  // Forwards: recover exponentially, never above what the frame allows.
  const double recovery = 1.0 - std::exp(-1.0 / (settings.release * kSampleRate));
  double current = gain[0];
  for (size_t i = 0; i < frames; ++i) {
    current = std::min(gain[i], current + (1.0 - current) * recovery);
    // A hair under the computed gain so float rounding cannot lift a sample above the ceiling.
    const float applied = static_cast<float>(current * 0.99999);
    mix.left[i] *= applied;
    mix.right[i] *= applied;
  }
}

}  // namespace orvanta::datagen
