// Pads and stabs: the harmony. Pads hold each chord with slow attacks; stabs punch the off-beats.

#include <algorithm>
#include <cmath>
#include <vector>

#include "datagen/music_parts.h"
#include "datagen/synth_voices.h"

namespace orvanta::datagen {

namespace {

std::vector<double> voicing(const Chord& chord, int octaveShift, bool withColour) {
  std::vector<double> notes;
  for (int note : chord.triad) notes.push_back(note + 12.0 * octaveShift);
  if (withColour && chord.colour >= 0) notes.push_back(chord.colour + 12.0 * octaveShift);
  return notes;
}

ChordPatch warmPad() {
  ChordPatch patch;
  patch.unison = 5;
  patch.detuneCents = 18.0f;
  patch.stereoSpread = 0.9f;
  patch.amp = {0.9f, 1.0f, 0.85f, 1.4f};
  patch.resonance = 0.8;
  patch.level = 0.32f;
  return patch;
}

ChordPatch stab() {
  ChordPatch patch;
  patch.unison = 3;
  patch.detuneCents = 14.0f;
  patch.stereoSpread = 0.7f;
  patch.amp = {0.002f, 0.16f, 0.0f, 0.06f};
  patch.cutoffHz = 900.0;
  patch.cutoffEndHz = 900.0;
  patch.envelopeOctaves = 2.3;
  patch.envelopeDecay = 0.06;
  patch.resonance = 1.2;
  patch.level = 0.3f;
  return patch;
}

// Holds each run of bars with the same chord as one pad note; the cutoff comes from `cutoffAt(seconds)`.
template <typename CutoffAt>
void pads(const Section& section, Mix& mix, SynthRandom& random, ChordPatch patch, int octaveShift,
          CutoffAt cutoffAt, Placement placement) {
  size_t first = 0;
  while (first < section.bars.size()) {
    size_t last = first;
    while (last + 1 < section.bars.size() && section.bars[last + 1].chord.bass == section.bars[first].chord.bass &&
           section.bars[last + 1].chord.triad == section.bars[first].chord.triad) {
      ++last;
    }
    const double start = section.bars[first].start;
    const double gate = section.bars[last].end() - start;
    patch.cutoffHz = cutoffAt(start);
    patch.cutoffEndHz = cutoffAt(start + gate + patch.amp.release);
    mix.add(renderChord(voicing(section.bars[first].chord, octaveShift, true), gate, patch, random), start,
            placement);
    first = last + 1;
  }
}

// Short chords on the chosen sixteenths of every four-beat bar.
void stabs(const Section& section, Mix& mix, SynthRandom& random, const std::vector<int>& steps, size_t fromBar,
           float level, double brightness) {
  ChordPatch patch = stab();
  patch.level *= level;
  patch.cutoffHz = patch.cutoffEndHz = 900.0 * brightness;
  for (size_t index = fromBar; index < section.bars.size(); ++index) {
    const Bar& bar = section.bars[index];
    for (int step : steps) {
      if (step >= bar.steps()) continue;
      mix.add(renderChord(voicing(bar.chord, 0, false), bar.stepSeconds() * 1.2, patch, random),
              bar.stepTime(step, 0.12), {1.0f, 0.0f, 0.12f, 0.15f, true});
    }
  }
}

}  // namespace

void addChords(const std::vector<Section>& sections, Mix& mix) {
  SynthRandom random(0xC40Du);
  for (const Section& section : sections) {
    const double length = section.end - section.start;
    auto progress = [&section, length](double t) { return std::clamp((t - section.start) / length, 0.0, 1.0); };
    switch (section.kind) {
      case SectionKind::kIntro: {
        // The pad slowly opens as the still picture gives way to the flight.
        ChordPatch patch = warmPad();
        patch.amp.attack = 2.5f;
        patch.amp.release = 2.0f;
        pads(section, mix, random, patch, 0, [&](double t) { return 350.0 * std::pow(12.0, progress(t)); },
             {1.0f, 0.0f, 0.45f, 0.0f, false});
        break;
      }
      case SectionKind::kTunnel:
        pads(section, mix, random, warmPad(), 0, [](double) { return 1400.0; }, {0.7f, 0.0f, 0.3f, 0.0f, true});
        stabs(section, mix, random, {2, 6, 10, 14}, 0, 1.0f, 1.0);
        break;
      case SectionKind::kBlobs: {
        // Darker and lower, the filter pulsing with the bars.
        ChordPatch patch = warmPad();
        patch.amp.attack = 0.05f;
        patch.resonance = 2.0;
        patch.detuneCents = 24.0f;
        pads(section, mix, random, patch, 0, [](double) { return 750.0; }, {0.9f, 0.0f, 0.2f, 0.0f, true});
        stabs(section, mix, random, {0, 3, 6, 10}, 0, 0.8f, 0.8);
        break;
      }
      case SectionKind::kSpikes:
        pads(section, mix, random, warmPad(), 0, [](double) { return 2600.0; }, {0.8f, 0.0f, 0.35f, 0.0f, true});
        stabs(section, mix, random, {2, 6, 10, 14}, 4, 0.8f, 1.3);
        break;
      case SectionKind::kPlasma: {
        // A resonant sweep across every chord: the pad ripples like the plasma.
        ChordPatch patch = warmPad();
        patch.resonance = 3.0;
        patch.amp.attack = 0.4f;
        pads(section, mix, random, patch, 0,
             [&](double t) { return 500.0 * std::exp2(2.5 * (0.5 + 0.5 * std::sin(2.0 * kPi * progress(t) * 4.0))); },
             {0.9f, 0.0f, 0.4f, 0.1f, true});
        break;
      }
      case SectionKind::kCube: {
        ChordPatch patch = warmPad();
        patch.unison = 7;
        patch.detuneCents = 22.0f;
        patch.amp.attack = 0.08f;
        pads(section, mix, random, patch, 0, [](double) { return 4200.0; }, {1.1f, 0.0f, 0.35f, 0.0f, true});
        pads(section, mix, random, patch, 1, [](double) { return 5000.0; }, {0.5f, 0.0f, 0.35f, 0.0f, true});
        stabs(section, mix, random, {2, 6, 10, 14}, 0, 1.2f, 1.8);
        break;
      }
      case SectionKind::kOutro: {
        // The last chord, hit with everything and left to ring out.
        ChordPatch patch = warmPad();
        patch.unison = 7;
        patch.amp = {0.01f, 1.5f, 0.6f, 2.4f};
        pads(section, mix, random, patch, 0, [&](double t) { return 4500.0 * std::pow(0.15, progress(t)); },
             {1.0f, 0.0f, 0.5f, 0.0f, false});
        break;
      }
    }
  }
}

}  // namespace orvanta::datagen
