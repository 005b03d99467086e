#include "datagen/synth_oscillators.h"

#include "datagen/synth_buffer.h"

namespace orvanta::datagen {

void Oscillator::setFrequency(double hz) {
  increment_ = hz / kSampleRate;
  if (increment_ < 0.0) increment_ = 0.0;
  if (increment_ > 0.49) increment_ = 0.49;
}

}  // namespace orvanta::datagen
