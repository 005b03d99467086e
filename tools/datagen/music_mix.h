#pragma once
// The mixing desk: every part adds its sounds here; mixdown adds the echoes and the room, pumps the ducked
// bus against the kick, limits, fades and converts to 16-bit stereo.

#include <cstdint>
#include <vector>

#include "datagen/synth_buffer.h"
#include "datagen/synth_delay.h"
#include "datagen/synth_random.h"
#include "datagen/synth_reverb.h"

namespace orvanta::datagen {

struct Placement {
  float gain = 1.0f;
  float pan = 0.0f;     // -1 left .. +1 right
  float reverb = 0.0f;  // send levels
  float delay = 0.0f;
  bool ducked = false;  // pumps against the kick
};

struct MasterSettings {
  float gain = 1.0f;
  float duckDepth = 0.5f;    // how far the ducked bus dips at each kick
  double duckRecovery = 0.1; // time constant of its return
  double fadeIn = 0.0;       // seconds from the start
  double fadeOutStart = 0.0; // the fade out runs from here to the very end; 0 for none
  ReverbSettings reverb;
  DelaySettings delay;
};

class Mix {
 public:
  explicit Mix(double seconds);

  void add(const std::vector<float>& mono, double startSeconds, const Placement& placement);
  void add(const StereoBuffer& stereo, double startSeconds, const Placement& placement);
  // Marks a kick for the ducked bus.
  void markKick(double seconds) { kicks_.push_back(seconds); }

  size_t frames() const { return dry_.frames(); }

  // The finished mix as interleaved left/right 16-bit samples.
  std::vector<int16_t> mixdown(const MasterSettings& settings) const;
  // The same before 16-bit conversion: for measuring.
  StereoBuffer mixdownFloat(const MasterSettings& settings) const;

 private:
  // One sound's samples, as frame(i) gives them, onto its bus and the effect sends.
  template <typename Frame>
  void addFrames(size_t count, double startSeconds, const Placement& placement, Frame frame);

  StereoBuffer dry_;
  StereoBuffer ducked_;
  std::vector<float> reverbSend_;
  std::vector<float> delaySend_;
  std::vector<double> kicks_;
};

}  // namespace orvanta::datagen
