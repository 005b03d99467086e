#include "datagen/synth_envelope.h"

#include <cmath>

#include "datagen/synth_buffer.h"

namespace orvanta::datagen {

namespace {

float timeConstantCoefficient(float seconds) {
  if (seconds <= 0.0f) return 0.0f;
  return static_cast<float>(std::exp(-5.0 / (static_cast<double>(seconds) * kSampleRate)));
}

}  // namespace

EnvelopeGenerator::EnvelopeGenerator(const Adsr& shape)
    : shape_(shape),
      attackStep_(shape.attack > 0.0f ? static_cast<float>(1.0 / (shape.attack * kSampleRate)) : 1.0f),
      decayCoefficient_(timeConstantCoefficient(shape.decay)),
      releaseCoefficient_(timeConstantCoefficient(shape.release)) {}

float EnvelopeGenerator::next() {
  switch (stage_) {
    case Stage::kIdle:
      break;
    case Stage::kAttack:
      level_ += attackStep_;
      if (level_ >= 1.0f) {
        level_ = 1.0f;
        stage_ = Stage::kDecay;
      }
      break;
    case Stage::kDecay:
      level_ = shape_.sustain + (level_ - shape_.sustain) * decayCoefficient_;
      break;
    case Stage::kRelease:
      level_ *= releaseCoefficient_;
      if (level_ < 1.0e-5f) {
        level_ = 0.0f;
        stage_ = Stage::kIdle;
      }
      break;
  }
  return level_;
}

float decayCurve(double seconds, double timeConstant) {
  if (seconds < 0.0 || timeConstant <= 0.0) return 0.0f;
  return static_cast<float>(std::exp(-seconds / timeConstant));
}

}  // namespace orvanta::datagen
