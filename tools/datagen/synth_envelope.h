#pragma once
// Envelopes: the ADSR shape run sample by sample, and the plain exponential decay of drums and plucks.

namespace orvanta::datagen {

// Linear attack, exponential decay to the sustain level, exponential release after the gate closes.
struct Adsr {
  float attack = 0.005f;
  float decay = 0.1f;
  float sustain = 1.0f;
  float release = 0.05f;

  // How long a note sounds in all: gate plus release.
  double length(double gate) const { return gate + release; }
};

// Each attack starts from the current level, so retriggered and legato notes never click. Decay and release
// take five time constants over their stated length.
class EnvelopeGenerator {
 public:
  explicit EnvelopeGenerator(const Adsr& shape);
  void gateOn() { stage_ = Stage::kAttack; }
  void gateOff() {
    if (stage_ != Stage::kIdle) stage_ = Stage::kRelease;
  }
  float next();
  float level() const { return level_; }

 private:
  enum class Stage { kIdle, kAttack, kDecay, kRelease };
  Adsr shape_;
  Stage stage_ = Stage::kIdle;
  float level_ = 0.0f;
  float attackStep_;
  float decayCoefficient_;
  float releaseCoefficient_;
};

// exp(-seconds / timeConstant), 0 before the start.
float decayCurve(double seconds, double timeConstant);

}  // namespace orvanta::datagen
