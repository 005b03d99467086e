#pragma once
// Drum and effect voices, each rendered as one hit from silence to silence.

#include <vector>

#include "datagen/synth_buffer.h"
#include "datagen/synth_random.h"

namespace orvanta::datagen {

struct KickSound {
  double punchHz = 130.0;  // pitch at the start of the sweep
  double bodyHz = 47.0;    // pitch the sweep settles on
  double hold = 0.05;      // seconds at full level before the body decays
  double decay = 0.13;     // body time constant
  float drive = 1.8f;      // saturation: more is harder and louder
  float click = 0.35f;     // level of the beater click
};

std::vector<float> renderKick(const KickSound& sound, SynthRandom& random);
// `tone` 0..1 moves the snare from dull to bright.
std::vector<float> renderSnare(float tone, SynthRandom& random);
std::vector<float> renderClap(SynthRandom& random);
// Metallic hat; a short decay gives a closed hat, a long one an open hat.
std::vector<float> renderHat(double decay, SynthRandom& random);
std::vector<float> renderShaker(SynthRandom& random);
std::vector<float> renderTom(double hz, SynthRandom& random);
// A wide cymbal wash lasting `seconds`.
StereoBuffer renderCrash(double seconds, SynthRandom& random);
// A low boom that marks a downbeat.
std::vector<float> renderImpact(SynthRandom& random);
// Noise rising in pitch and level over `seconds`, ending at its loudest.
StereoBuffer renderRiser(double seconds, SynthRandom& random);
// Record-surface grain: faint hiss with clicks and pops scattered across the stereo field.
StereoBuffer renderCrackle(double seconds, SynthRandom& random);

}  // namespace orvanta::datagen
