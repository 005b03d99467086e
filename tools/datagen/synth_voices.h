#pragma once
// The tonal instruments: a detuned-saw chord voice for pads and stabs, and a monophonic voice with glide for
// bass lines, arpeggios and the lead.

#include <vector>

#include "datagen/synth_buffer.h"
#include "datagen/synth_envelope.h"
#include "datagen/synth_random.h"

namespace orvanta::datagen {

struct ChordPatch {
  int unison = 5;             // saws per chord note
  float detuneCents = 16.0f;  // spread of the saws around the note
  float stereoSpread = 0.85f; // how far the saws are panned apart
  Adsr amp;
  double cutoffHz = 2000.0;     // low-pass cutoff at the start of the note ...
  double cutoffEndHz = 2000.0;  // ... moving exponentially to this at its end
  double envelopeOctaves = 0.0; // extra cutoff at the attack, decaying with envelopeDecay
  double envelopeDecay = 0.1;
  double resonance = 0.7;
  float level = 1.0f;
};

// Sounds `notes` (MIDI numbers) together for `gate` seconds plus the release.
StereoBuffer renderChord(const std::vector<double>& notes, double gate, const ChordPatch& patch, SynthRandom& random);

struct MonoNote {
  double start = 0.0;  // seconds from the start of the rendered buffer
  double gate = 0.1;
  double note = 60.0;
  float velocity = 1.0f;
  bool slide = false;       // glide from the previous note without a new attack
  float cutoffScale = 1.0f; // per-note filter offset, for sweeps across a phrase
};

struct MonoPatch {
  int unison = 1;
  float detuneCents = 0.0f;
  float stereoSpread = 0.0f;
  float sawLevel = 1.0f;
  float pulseLevel = 0.0f;
  float pulseWidth = 0.5f;
  float subLevel = 0.0f;  // sine `subOctaves` below the note
  double subOctaves = 1.0;
  Adsr amp;
  double cutoffHz = 1200.0;
  double envelopeOctaves = 2.0;  // cutoff rise at each attack
  double envelopeDecay = 0.15;
  double resonance = 0.7;
  bool steep = false;  // two filters in series: 24 dB per octave
  double keyTracking = 0.5;  // how far the cutoff follows the pitch (1 = fully)
  double glide = 0.05;
  double vibratoDepth = 0.0;  // semitones
  double vibratoRate = 5.5;
  double vibratoDelay = 0.3;
  float drive = 0.0f;
  float level = 1.0f;
};

// Plays `notes` (sorted by start) on one voice; the buffer runs until the last release has died away.
StereoBuffer renderMonoLine(const std::vector<MonoNote>& notes, const MonoPatch& patch, SynthRandom& random);

}  // namespace orvanta::datagen
